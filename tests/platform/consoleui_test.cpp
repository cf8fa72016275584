// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/consoleui.h"

#include <gtest/gtest.h>

using morvik::Answer;
using morvik::Buttons;
using morvik::Icon;
using morvik::platform::ConsoleUi;

TEST(ConsoleUi, ShowsProblemsAndConfirmsQuestions)
{
    ConsoleUi ui;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ui.msgbox("批量删除操作成功结束!", "删除操作", Icon::Information), Answer::Ok);
    EXPECT_EQ(ui.msgbox("真的要执行此操作吗？", "操作警告", Icon::Warning, Buttons::YesNo),
              Answer::Yes);
    EXPECT_EQ(ui.msgbox("文件不存在", "文件错误", Icon::Critical), Answer::Ok);
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_EQ(shown, "[操作警告] 真的要执行此操作吗？\n[文件错误] 文件不存在\n");
    EXPECT_EQ(ui.problems(), 2);
    EXPECT_EQ(ui.inputbox("请输入新文件类型,如*.txt", "文件类型"), std::nullopt);
}

TEST(ConsoleUi, ShowAllAlsoWritesInformation)
{
    ConsoleUi ui(true);
    testing::internal::CaptureStderr();
    ui.msgbox("恭喜，URL文件生成完毕！", "URL生成", Icon::Information);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[URL生成] 恭喜，URL文件生成完毕！\n");
    EXPECT_EQ(ui.problems(), 0);
}
