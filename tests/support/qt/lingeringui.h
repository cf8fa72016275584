// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A recording Ui whose message boxes stay open a while, as a person's do: the event loop
// runs meanwhile (timers included), and each box notes whether a progress dialog was on
// screen by the time it was answered.

#include "support/recordingui.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <vector>

namespace morvik::test
{

class LingeringUi : public RecordingUi
{
public:
    Answer msgbox(const std::string& text, const std::string& title, Icon icon,
                  Buttons buttons = Buttons::Ok) override
    {
        QEventLoop open;
        QTimer::singleShot(kOpenMilliseconds, &open, &QEventLoop::quit);
        open.exec();
        bool shown = false;
        for (const QWidget* window : QApplication::topLevelWidgets()) {
            shown = shown || (qobject_cast<const QProgressDialog*>(window) && window->isVisible());
        }
        withprogress.push_back(shown);
        return RecordingUi::msgbox(text, title, icon, buttons);
    }

    // Per box, in order: whether a progress dialog showed while it was open.
    std::vector<bool> withprogress;

private:
    // Several ticks of a run's progress timer.
    static constexpr int kOpenMilliseconds = 250;
};

} // namespace morvik::test
