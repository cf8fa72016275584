// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>

namespace win
{

// A frame drawn as the platform's frame control: an etched line whose top runs through
// the middle of the caption, nothing filled. The style's own group box puts its line
// under the caption, where it crosses controls placed just below the caption at the
// frame's twips positions.
class FrameBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FrameBox(const QString& title, QWidget* parent = nullptr);

    // The rectangle whose outline is drawn (two pixels wide: a dark line, a light one).
    QRect linerect() const;
    // Where the caption is drawn; the line is left out behind it.
    QRect captionrect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace win
