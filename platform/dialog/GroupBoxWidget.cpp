#include "platform/dialog/private/GroupBoxWidget_p.h"

#include <QPainter>

GroupBoxWidget::GroupBoxWidget(int charWidth, QWidget* parent)
    : QWidget(parent), m_charWidth(charWidth)
{
}

void GroupBoxWidget::setTitle(const QString& title)
{
    m_title = title;
    update();
}

void GroupBoxWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics fm(font());
    const int lineY = fm.height() / 2;

    int blanks = 0;
    while (blanks < m_title.size() && m_title[blanks] == QLatin1Char(' '))
        ++blanks;
    const QString caption = m_title.mid(blanks);
    const int captionX = m_charWidth + blanks * m_charWidth;
    const QRect captionRect(captionX, 0, fm.horizontalAdvance(caption), fm.height());

    if (!m_title.isEmpty()) {
        // The frame line stops short of the caption, blanks included.
        const QRect gap(m_charWidth - 2, 0, captionRect.right() - m_charWidth + 4, fm.height());
        painter.setClipRegion(QRegion(rect()).subtracted(gap));
    }
    // An etched frame: a shadow line with a light line beside it.
    const QRectF frame(0.5, lineY + 0.5, width() - 2, height() - lineY - 2);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.translated(1, 1));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
    painter.setClipping(false);

    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::WindowText));
    painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
}
