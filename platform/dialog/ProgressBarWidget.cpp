#include "platform/dialog/private/ProgressBarWidget_p.h"

#include <algorithm>

ProgressBarWidget::ProgressBarWidget(QWidget* parent) : QProgressBar(parent)
{
    // The common control draws no percentage; beside the bar it would also take its width.
    setTextVisible(false);
    Present();
}

void ProgressBarWidget::SetKeptRange(int lower, int upper)
{
    m_lower = lower;
    m_upper = std::max(lower, upper);
    m_pos = std::clamp(m_pos, m_lower, m_upper);
    Present();
}

void ProgressBarWidget::SetKeptPos(int pos)
{
    m_pos = std::clamp(pos, m_lower, m_upper);
    Present();
}

void ProgressBarWidget::SetBusy(bool busy)
{
    m_busy = busy;
    Present();
}

void ProgressBarWidget::Present()
{
    if (m_busy) {
        // The value stays inside the empty range, so assistive technology reads 0 rather
        // than the toolkit's "no value" of minimum - 1.
        setRange(0, 0);
        setValue(0);
    } else if (m_lower == m_upper) {
        setRange(0, 1);
        setValue(0);
    } else {
        // The range first: a value outside the old range would be refused.
        setRange(m_lower, m_upper);
        setValue(m_pos);
    }
}
