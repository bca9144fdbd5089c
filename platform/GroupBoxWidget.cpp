#include "platform/GroupBoxWidget.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

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

    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = QRect(0, lineY, width(), height() - lineY);
    frame.lineWidth = 1;
    frame.midLineWidth = 0;
    frame.features = QStyleOptionFrame::None;
    if (!m_title.isEmpty()) {
        // The frame line stops short of the caption, blanks included.
        const QRect gap(m_charWidth - 2, 0, captionRect.right() - m_charWidth + 4, fm.height());
        painter.setClipRegion(QRegion(rect()).subtracted(gap));
    }
    style()->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, &painter, this);
    painter.setClipping(false);

    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::WindowText));
    painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption);
}
