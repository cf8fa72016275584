// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a frame draws its own lines, seen in its pixels: the frame alone (no children,
// no background) is drawn with an invisible caption, so every pixel left is the line.

#include <QGroupBox>
#include <QImage>
#include <QPalette>

namespace morvik::test
{

struct FrameLines {
    int drawn = 0;      // line pixels in all
    int underchild = 0; // line pixels inside the child's rectangle
};

inline FrameLines framelines(QGroupBox* frame, const QWidget* child)
{
    const QPalette original = frame->palette();
    QPalette nocaption = original;
    nocaption.setColor(QPalette::WindowText, Qt::transparent);
    frame->setPalette(nocaption);
    QImage image(frame->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    frame->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    frame->setPalette(original);

    FrameLines lines;
    const QRect under = child->geometry();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0) {
                ++lines.drawn;
                lines.underchild += under.contains(x, y) ? 1 : 0;
            }
        }
    }
    return lines;
}

} // namespace morvik::test
