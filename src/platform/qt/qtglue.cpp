#include "platform/qt/qtglue.h"

#include "common/centerform.h"
#include "platform/codec.h"
#include "platform/qt/qtui.h"

#include <QApplication>
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

void centerwindow(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!window || !screen) {
        return;
    }
    const QRect area = screen->geometry();
    // Before the first show the frame is unknown and frameGeometry() is the client area.
    const QSize size = window->frameGeometry().size();
    const auto place = morvik::centerform(area.width(), area.height(), size.width(), size.height());
    window->move(area.left() + static_cast<int>(std::lround(place.left)),
                 area.top() + static_cast<int>(std::lround(place.top)));
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
