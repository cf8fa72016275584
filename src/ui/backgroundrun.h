// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/progress.h"
#include "run/ui.h"

#include <functional>
#include <string>

class QCloseEvent;
class QWidget;

namespace win
{

// A long run of an engine (batch delete, copy, content append) off the user-interface
// thread, so that its window keeps repainting, can be moved and never stops answering.
//
// While the run lasts, the window's own inputs are disabled; once it has lasted half a
// second and has counted the files it will handle, a progress dialog ("已处理 N / M 个文件"
// and the current folder) with a "取消" button appears. "取消" asks the run to stop between
// two files; the run then ends with its usual messages and one more box saying it was
// stopped and how far it got. Message and input boxes the engine raises are shown on the
// user-interface thread, through the window's Ui, in the order the engine raises them,
// while the run waits for the answer; the progress dialog closes before each of them and
// comes back only when the run has handled another file after it, so a refusal before
// the walk and the closing message stand alone. Focus requests are carried out once the
// window's inputs are enabled again. An error the work throws is rethrown by run(), after
// the worker has ended.
class BackgroundRun
{
public:
    using Work = std::function<void(morvik::Ui& ui, morvik::Progress& progress)>;

    // Runs the work and returns when it has ended. `title` is the title of the box that
    // tells of a stopped run.
    static void run(QWidget* window, morvik::Ui& ui, const std::string& title, const Work& work);

    // The same progress, "取消" and closing box for a run that stays on the user-interface
    // thread because it waits in event loops of its own and so never holds the window
    // up (the paced URL run). The work is called at once; the window's inputs stay
    // enabled, so edits made during the run apply to what is still to come.
    static void runhere(QWidget* window, morvik::Ui& ui, const std::string& title,
                        const Work& work);

    // A run that neither counts its files nor can stop between them (the purge of a run's
    // journal, one removal of a whole folder): once it has lasted the show delay, its
    // progress is a busy bar over the folder the work names with Progress::setfolder, without
    // "取消". Boxes, inputs and errors as run().
    static void runbusy(QWidget* window, morvik::Ui& ui, const std::string& title,
                        const Work& work);

    // Whether a run of this window is going on.
    static bool running(const QWidget* window);
    // Whether a run of any window is going on.
    static bool anyrunning();

    // For a window's closeEvent: while a run is going on, asks it to stop, ignores the
    // event and closes the window once the run has ended; returns true then. Returns false
    // when no run is going on (the window closes as always).
    static bool deferclose(QWidget* window, QCloseEvent* event);

    // How long a run lasts before its progress shows (500 ms; tests make it shorter).
    static void setshowdelayfortesting(int milliseconds);

private:
    static void runoff(QWidget* window, morvik::Ui& ui, const std::string& title, const Work& work,
                       bool counted);
};

} // namespace win
