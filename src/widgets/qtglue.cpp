// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/qtglue.h"

#include "common/centerform.h"
#include "platform/text/codec.h"
#include "widgets/qtui.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>
#include <QWidget>

#include <cmath>

namespace win
{

QString qs(const std::string& utf8)
{
    const std::string shown = morvik::platform::displayable(utf8);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

std::string ss(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QFont songti(double pointsize)
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSizeF(pointsize);
    return font;
}

QFont yahei(double pointsize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("微软雅黑"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSizeF(pointsize);
    font.setBold(bold);
    return font;
}

namespace
{

// Centres a window by its frame (the window's own size where it has none yet).
void placeframe(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->geometry();
    const QSize size = window->frameGeometry().size();
    const auto place = morvik::centerform(area.width(), area.height(), size.width(), size.height());
    window->move(area.left() + static_cast<int>(std::lround(place.left)),
                 area.top() + static_cast<int>(std::lround(place.top)));
}

bool framed(const QWidget* window)
{
    return window->frameGeometry().size() != window->size();
}

// A window is created before it is shown, when its frame is not known yet: centred by
// its inner size it would sit low and to the right by half the frame. This centres it
// again once, as soon as it has been shown with a frame (the window system may add the
// frame a moment after the first show), and then leaves it where the user puts it.
class FrameCentring : public QObject
{
public:
    explicit FrameCentring(QWidget* window) : QObject(window), m_window(window)
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool shown = event->type() == QEvent::Show ||
                           (event->type() == QEvent::Move && m_window->isVisible());
        if (watched == m_window && shown && framed(m_window)) {
            m_window->removeEventFilter(this);
            placeframe(m_window);
            deleteLater();
        }
        return false;
    }

private:
    QWidget* m_window;
};

} // namespace

void centerwindow(QWidget* window)
{
    if (!window) {
        return;
    }
    placeframe(window);
    if (!framed(window)) {
        new FrameCentring(window);
    }
}

namespace
{

morvik::Ui* testui = nullptr;

} // namespace

morvik::Ui& ui(QWidget* window)
{
    if (testui) {
        return *testui;
    }
    if (!window) {
        // Never destroyed: it may be asked for while the application shuts down.
        static QtUi* ownerless = new QtUi(nullptr);
        return *ownerless;
    }
    // One Ui per window, living as long as the window does.
    if (auto* existing = window->findChild<QtUi*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *existing;
    }
    return *new QtUi(window);
}

void setuifortesting(morvik::Ui* ui)
{
    testui = ui;
}

bool guard(QWidget* window, const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        ui(window).msgbox(e.what(), morvik::kAppTitle, morvik::Icon::Critical);
    } catch (...) {
        ui(window).msgbox("发生未知错误。", morvik::kAppTitle, morvik::Icon::Critical);
    }
    return false;
}

void setupapplication(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    } else {
        delete translator;
    }
    QApplication::setFont(songti(9));
    QApplication::setApplicationName(QStringLiteral("Morvik"));
}

} // namespace win
