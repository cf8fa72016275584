// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/stopsignals.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace win
{

namespace
{

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signal = 0;

// Only writes a byte: the window's thread does the rest when it wakes up for it.
void onsignal(int signal)
{
    g_signal = signal;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

void stoponsignals(QApplication& app)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        // Each window stops its run first when it has one, and closes after it.
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible()) {
                window->close();
            }
        }
    });
    struct sigaction action = {};
    action.sa_handler = onsignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

int signalstatus()
{
    return g_signal != 0 ? 128 + g_signal : 0;
}

} // namespace win
