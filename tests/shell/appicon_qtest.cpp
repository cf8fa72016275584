// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/appfolder.h"
#include "shell/startup.h"
#include "support/temptree.h"

#include <QApplication>
#include <QIcon>
#include <QImage>

#include <filesystem>
#include <gtest/gtest.h>

namespace morvik::test
{
namespace
{

std::string builticon()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path().string() +
           "/ico/morvik.png";
}

TEST(AppIcon, WindowsCarryTheIconFoundUnderAnInstalledPrefix)
{
    TempTree t;
    t.createFile("prefix/share/morvik/ico/morvik.png", readAll(builticon()));
    t.createDir("prefix/bin");
    platform::setappfolderfortesting(t.path("prefix/bin"));
    QApplication::setWindowIcon(QIcon());
    win::setapplicationicon();
    platform::setappfolderfortesting({});

    const QImage expected(QString::fromStdString(builticon()));
    ASSERT_FALSE(expected.isNull());
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixmap(expected.size()).toImage().convertToFormat(QImage::Format_ARGB32),
              expected.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral(MORVIK_APP_ID));
}

} // namespace
} // namespace morvik::test
