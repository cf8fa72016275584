// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/backgroundrun.h"

#include "platform/qt/qtglue.h"

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
    morvik::platform::Progress* progress = nullptr;
    bool closewhendone = false;
};

std::map<const QWidget*, Active>& actives()
{
    static std::map<const QWidget*, Active> runs;
    return runs;
}

// The engine's Ui on the worker thread: every call is carried to the user-interface
// thread and answered there by the window's Ui, while the worker waits. `beforebox` runs
// on the user-interface thread before each box is shown, `afterbox` once it is answered.
class ThreadUi : public morvik::Ui
{
public:
    ThreadUi(QObject* uithread, morvik::Ui& target, std::function<void()> beforebox,
             std::function<void()> afterbox)
        : m_context(uithread), m_target(target), m_beforebox(std::move(beforebox)),
          m_afterbox(std::move(afterbox))
    {
    }

    morvik::Answer msgbox(const std::string& text, const std::string& title, morvik::Icon icon,
                          morvik::Buttons buttons) override
    {
        morvik::Answer answer = morvik::Answer::Ok;
        onuithread([&] {
            BoxOpen open(*this);
            answer = m_target.msgbox(text, title, icon, buttons);
        });
        return answer;
    }

    std::optional<std::string> inputbox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override
    {
        std::optional<std::string> answer;
        onuithread([&] {
            BoxOpen open(*this);
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
    // Brackets a box, however its call ends.
    class BoxOpen
    {
    public:
        explicit BoxOpen(ThreadUi& ui) : m_ui(ui) { m_ui.m_beforebox(); }
        ~BoxOpen() { m_ui.m_afterbox(); }
        BoxOpen(const BoxOpen&) = delete;
        BoxOpen& operator=(const BoxOpen&) = delete;

    private:
        ThreadUi& m_ui;
    };

    template <class F> void onuithread(F&& call)
    {
        QMetaObject::invokeMethod(m_context, std::forward<F>(call), Qt::BlockingQueuedConnection);
    }

    QObject* m_context;
    morvik::Ui& m_target;
    std::function<void()> m_beforebox;
    std::function<void()> m_afterbox;
    std::vector<std::string> m_focus;
};

QString progresslabel(const morvik::platform::Progress& progress)
{
    const std::string folder = progress.folder();
    return QString::fromUtf8(morvik::platform::progresstext(progress)) + QStringLiteral("\n") +
           QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size()));
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
    morvik::platform::Progress progress;
    QPointer<QProgressDialog> dialog;
    // Progress belongs to a walk that is going on: none while the engine's box is open (a
    // refusal before any file was counted, a question, the closing message), and after a
    // box none until the run has handled another file, so the closing box is not
    // followed by the progress of a run that has ended.
    bool boxopen = false;
    std::size_t doneatbox = 0;
    bool boxseen = false;
    QObject context; // lives on this thread: the worker's calls are carried to it
    ThreadUi threadui(
        &context, ui,
        [&] {
            boxopen = true;
            boxseen = true;
            doneatbox = progress.done();
            delete dialog.data();
        },
        [&] { boxopen = false; });
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

    QElapsedTimer elapsed;
    elapsed.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const bool walking =
            progress.found() > 0 && !boxopen && (!boxseen || progress.done() > doneatbox);
        if (!dialog && walking && elapsed.elapsed() >= showdelay) {
            dialog = new QProgressDialog(window);
            dialog->setObjectName(QStringLiteral("Progress"));
            dialog->setWindowTitle(window->windowTitle());
            dialog->setCancelButtonText(QStringLiteral("取消"));
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            dialog->setMinimumDuration(0);
            dialog->setMinimumWidth(420);
            QObject::connect(dialog, &QProgressDialog::canceled,
                             [&progress] { progress.requeststop(); });
            dialog->show();
        }
        if (dialog) {
            const auto found = progress.found();
            dialog->setMaximum(found > 0 ? static_cast<int>(std::min<std::size_t>(found, INT_MAX))
                                         : 0);
            dialog->setValue(static_cast<int>(std::min(progress.done(), found)));
            dialog->setLabelText(progresslabel(progress));
        }
    });
    tick.start(kTickMilliseconds);
    loop.exec();
    worker.join();
    tick.stop();
    delete dialog.data();

    const bool closewhendone = actives()[window].closewhendone;
    actives().erase(window);
    window->setEnabled(wasenabled);
    threadui.replayfocus();
    if (error) {
        std::rethrow_exception(error);
    }
    if (progress.stoprequested() && !closewhendone) {
        ui.msgbox(morvik::platform::stoppedtext(progress), title, morvik::Icon::Information);
    }
    if (closewhendone) {
        QTimer::singleShot(0, window, [window] { window->close(); });
    }
}

} // namespace win
