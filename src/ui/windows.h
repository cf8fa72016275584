// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

// Every window of the program exists as one program-wide instance: created when first
// shown (its constructor is its load: it builds the controls, restores settings and
// centres itself), destroyed when closed (WA_DeleteOnClose), created anew the next time.
namespace win
{

template <class W> struct Single {
    static inline QPointer<W> pointer;
};

// The window's instance, created when there is none.
template <class W> W* instance()
{
    if (!Single<W>::pointer) {
        auto* window = new W;
        window->setAttribute(Qt::WA_DeleteOnClose);
        Single<W>::pointer = window;
    }
    return Single<W>::pointer;
}

// The window's instance when it exists, else nullptr.
template <class W> W* existing()
{
    return Single<W>::pointer;
}

// Shows the launcher (not modally, without an owner), creating it when needed.
// Every tool window calls this from its close (its unload). The launcher sits above the
// tools and registers how it is shown, so that no tool depends on it.
void showlauncher();
void setlauncher(std::function<void()> show);

// The folder a folder list opens on when nothing names one: the working folder (the
// current folder of the documents), but never the root or the application folder, which
// belong to the system (a program started from a menu or in its own folder may have
// either as its working folder); then the home folder, and the root only when neither
// can be read.
std::string startfolder();

} // namespace win
