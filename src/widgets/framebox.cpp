// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/framebox.h"

#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace win
{

namespace
{

constexpr int kCaptionLeft = 6;
constexpr int kCaptionPadding = 2;

} // namespace

FrameBox::FrameBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

QRect FrameBox::linerect() const
{
    const int top = fontMetrics().height() / 2;
    return QRect(0, top, width(), height() - top);
}

QRect FrameBox::captionrect() const
{
    if (title().isEmpty()) {
        return QRect();
    }
    const int width = fontMetrics().horizontalAdvance(title()) + 2 * kCaptionPadding;
    return QRect(kCaptionLeft, 0, width, fontMetrics().height());
}

void FrameBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect caption = captionrect();
    painter.save();
    if (!caption.isEmpty()) {
        painter.setClipRegion(QRegion(rect()).subtracted(QRegion(caption)));
    }
    qDrawShadeRect(&painter, linerect(), palette(), true, 1, 0);
    painter.restore();
    if (!caption.isEmpty()) {
        style()->drawItemText(&painter, caption.adjusted(kCaptionPadding, 0, -kCaptionPadding, 0),
                              Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), title(),
                              QPalette::WindowText);
    }
}

} // namespace win
