// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/backgroundrun.h"

#include "widgets/qtglue.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace win
{

namespace
{

int showdelay = 500;
constexpr int kTickMilliseconds = 50;

// A run in progress, by window.
struct Active {
    morvik::Progress* progress = nullptr;
    bool closewhendone = false;
};

std::map<const QWidget*, Active>& actives()
{
    static std::map<const QWidget*, Active> runs;
    return runs;
}

QString progresslabel(const morvik::Progress& progress)
{
    const std::string folder = progress.folder();
    return QString::fromUtf8(morvik::progresstext(progress)) + QStringLiteral("\n") +
           QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size()));
}

// The progress of a run while it lasts: a dialog with "已处理 N / M 个文件", the current
// folder and "取消", shown once the run has lasted the show delay and has counted what it
// will handle. Progress belongs to a walk that is going on: none while the engine's box is
// open (a refusal before any file was counted, a question, the closing message), and
// after a box none until the run has handled another file, so the closing box is not
// followed by the progress of a run that has ended.
class ProgressView
{
public:
    ProgressView(QWidget* window, morvik::Progress& progress, bool counted)
        : m_window(window), m_progress(progress), m_counted(counted)
    {
        QObject::connect(&m_tick, &QTimer::timeout, [this] { update(); });
        m_elapsed.start();
        m_tick.start(kTickMilliseconds);
    }
    ~ProgressView() { delete m_dialog.data(); }
    ProgressView(const ProgressView&) = delete;
    ProgressView& operator=(const ProgressView&) = delete;

    void beforebox()
    {
        m_boxopen = true;
        m_boxseen = true;
        m_doneatbox = m_progress.done();
        delete m_dialog.data();
    }
    void afterbox() { m_boxopen = false; }

private:
    void update()
    {
        // A run that does not count shows its busy bar whenever no box is open.
        const bool walking = m_counted ? m_progress.found() > 0 && !m_boxopen &&
                                             (!m_boxseen || m_progress.done() > m_doneatbox)
                                       : !m_boxopen;
        if (!m_dialog && walking && m_elapsed.elapsed() >= showdelay) {
            m_dialog = new QProgressDialog(m_window);
            m_dialog->setObjectName(QStringLiteral("Progress"));
            m_dialog->setWindowTitle(m_window->windowTitle());
            m_dialog->setCancelButtonText(QStringLiteral("取消"));
            m_dialog->setAutoClose(false);
            m_dialog->setAutoReset(false);
            m_dialog->setMinimumDuration(0);
            m_dialog->setMinimumWidth(420);
            if (m_counted) {
                QObject::connect(m_dialog, &QProgressDialog::canceled,
                                 [this] { m_progress.requeststop(); });
            } else {
                m_dialog->setCancelButton(nullptr);
                m_dialog->setRange(0, 0);
            }
            m_dialog->show();
        }
        if (m_dialog && !m_counted) {
            const std::string folder = m_progress.folder();
            m_dialog->setLabelText(
                QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size())));
        } else if (m_dialog) {
            const auto found = m_progress.found();
            m_dialog->setMaximum(found > 0 ? static_cast<int>(std::min<std::size_t>(found, INT_MAX))
                                           : 0);
            m_dialog->setValue(static_cast<int>(std::min(m_progress.done(), found)));
            m_dialog->setLabelText(progresslabel(m_progress));
        }
    }

    QWidget* m_window;
    morvik::Progress& m_progress;
    bool m_counted;
    QPointer<QProgressDialog> m_dialog;
    bool m_boxopen = false;
    std::size_t m_doneatbox = 0;
    bool m_boxseen = false;
    QElapsedTimer m_elapsed;
    QTimer m_tick;
};

// Brackets a box of the engine, however its call ends.
class BoxOpen
{
public:
    explicit BoxOpen(ProgressView& view) : m_view(view) { m_view.beforebox(); }
    ~BoxOpen() { m_view.afterbox(); }
    BoxOpen(const BoxOpen&) = delete;
    BoxOpen& operator=(const BoxOpen&) = delete;

private:
    ProgressView& m_view;
};

// The engine's Ui on the worker thread: every call is carried to the user-interface
// thread and answered there by the window's Ui, while the worker waits. The progress
// closes before each box.
class ThreadUi : public morvik::Ui
{
public:
    ThreadUi(QObject* uithread, morvik::Ui& target, ProgressView& view)
        : m_context(uithread), m_target(target), m_view(view)
    {
    }

    morvik::Answer msgbox(const std::string& text, const std::string& title, morvik::Icon icon,
                          morvik::Buttons buttons) override
    {
        morvik::Answer answer = morvik::Answer::Ok;
        onuithread([&] {
            BoxOpen open(m_view);
            answer = m_target.msgbox(text, title, icon, buttons);
        });
        return answer;
    }

    std::optional<std::string> inputbox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override
    {
        std::optional<std::string> answer;
        onuithread([&] {
            BoxOpen open(m_view);
            answer = m_target.inputbox(prompt, title, initial);
        });
        return answer;
    }

    // Focus cannot go to a disabled control: it is asked for when the run has ended.
    void focus(const std::string& control) override { m_focus.push_back(control); }

    void replayfocus()
    {
        for (const auto& control : m_focus) {
            m_target.focus(control);
        }
    }

private:
    template <class F> void onuithread(F&& call)
    {
        QMetaObject::invokeMethod(m_context, std::forward<F>(call), Qt::BlockingQueuedConnection);
    }

    QObject* m_context;
    morvik::Ui& m_target;
    ProgressView& m_view;
    std::vector<std::string> m_focus;
};

// The engine's Ui for a run on the user-interface thread itself: the window's Ui, with
// the progress closed before each box.
class HereUi : public morvik::Ui
{
public:
    HereUi(morvik::Ui& target, ProgressView& view) : m_target(target), m_view(view) {}

    morvik::Answer msgbox(const std::string& text, const std::string& title, morvik::Icon icon,
                          morvik::Buttons buttons) override
    {
        BoxOpen open(m_view);
        return m_target.msgbox(text, title, icon, buttons);
    }

    std::optional<std::string> inputbox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override
    {
        BoxOpen open(m_view);
        return m_target.inputbox(prompt, title, initial);
    }

    void focus(const std::string& control) override { m_target.focus(control); }

private:
    morvik::Ui& m_target;
    ProgressView& m_view;
};

// The end of a run, once its work has returned: the box that tells of a stopped run, or
// the close that was put off until the run had ended.
void finish(QWidget* window, morvik::Ui& ui, const std::string& title,
            const morvik::Progress& progress)
{
    const bool closewhendone = actives()[window].closewhendone;
    actives().erase(window);
    if (progress.stoprequested() && !closewhendone) {
        ui.msgbox(morvik::stoppedtext(progress), title, morvik::Icon::Information);
    }
    if (closewhendone) {
        QTimer::singleShot(0, window, [window] { window->close(); });
    }
}

} // namespace

void BackgroundRun::setshowdelayfortesting(int milliseconds)
{
    showdelay = milliseconds;
}

bool BackgroundRun::running(const QWidget* window)
{
    return actives().count(window) > 0;
}

bool BackgroundRun::anyrunning()
{
    return !actives().empty();
}

bool BackgroundRun::deferclose(QWidget* window, QCloseEvent* event)
{
    const auto it = actives().find(window);
    if (it == actives().end()) {
        return false;
    }
    it->second.progress->requeststop();
    it->second.closewhendone = true;
    event->ignore();
    return true;
}

void BackgroundRun::run(QWidget* window, morvik::Ui& ui, const std::string& title, const Work& work)
{
    runoff(window, ui, title, work, true);
}

void BackgroundRun::runbusy(QWidget* window, morvik::Ui& ui, const std::string& title,
                            const Work& work)
{
    runoff(window, ui, title, work, false);
}

void BackgroundRun::runoff(QWidget* window, morvik::Ui& ui, const std::string& title,
                           const Work& work, bool counted)
{
    morvik::Progress progress;
    std::optional<ProgressView> view(std::in_place, window, progress, counted);
    QObject context; // lives on this thread: the worker's calls are carried to it
    ThreadUi threadui(&context, ui, *view);
    actives()[window] = Active{&progress, false};
    const bool wasenabled = window->isEnabled();
    window->setEnabled(false);

    QEventLoop loop;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            work(threadui, progress);
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    view.reset();

    window->setEnabled(wasenabled);
    threadui.replayfocus();
    if (error) {
        actives().erase(window);
        std::rethrow_exception(error);
    }
    finish(window, ui, title, progress);
}

void BackgroundRun::runhere(QWidget* window, morvik::Ui& ui, const std::string& title,
                            const Work& work)
{
    morvik::Progress progress;
    std::optional<ProgressView> view(std::in_place, window, progress, true);
    HereUi hereui(ui, *view);
    actives()[window] = Active{&progress, false};
    try {
        work(hereui, progress);
    } catch (...) {
        actives().erase(window);
        throw;
    }
    view.reset();
    finish(window, ui, title, progress);
}

} // namespace win
