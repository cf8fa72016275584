// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/appfolder.h"
#include "platform/text/codec.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "tools/batchdel/batchdelete.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvik::test
{

// The boxes of a run, one text each: icon letter, title, text.
inline const std::string M1 = "W 文件未找到: 未找到需要删除的文件！";
inline const std::string M2 = "W 文件名错误: 文件名错误！";
inline const std::string M3 = "W 文件未找到: 没有找到符合条件的文件";
inline const std::string M4 = "- 删除错误: 未找到任何符合条件的文件";
inline const std::string M5 = "I 文件未找到: 未找到符合条件的文件";
inline const std::string M7 = "W 操作有误: 请指定要删除的文件名或文件列表";
inline const std::string S1 = "I 删除操作: 批量删除操作成功结束!";
inline const std::string S2 = "W 删除完成: 批量删除操作完成，但部分文件未删除，请参见错误报告!";
inline std::string M6(const std::string& paths)
{
    return "- Ruvo: " + paths;
}

inline const std::string kReportHeader = "---未能删除的文件---";
inline const std::string kSixteen(16, ' ');
inline std::string inuse(const std::string& path)
{
    return path + kSixteen + "错误原因：文件正在被使用";
}
inline std::string notfound(const std::string& path)
{
    return path + kSixteen + "错误原因：文件未找到";
}

inline std::string describe(const RecordingUi::Box& box)
{
    const char* icon = "-";
    switch (box.icon) {
    case Icon::Information:
        icon = "I";
        break;
    case Icon::Warning:
        icon = "W";
        break;
    case Icon::Critical:
        icon = "C";
        break;
    case Icon::None:
        break;
    }
    return std::string(icon) + " " + box.title + ": " + box.text;
}

// A temporary tree with an application folder ("app", where Err_Report.txt goes) and a
// chosen folder ("web"), a recording Ui and an engine.
class BatchDelTest : public ::testing::Test
{
protected:
    BatchDelTest()
    {
        platform::setappfolderfortesting(tree.createDir("app"));
        web = tree.createDir("web");
        in.folder = web;
    }

    // A file of the chosen folder.
    std::string file(const std::string& relative)
    {
        return tree.createFile("web/" + relative, "x");
    }
    bool has(const std::string& relative) const { return tree.exists("web/" + relative); }

    // A file with no write bit: the platform refuses to delete it, as it would a file
    // in use.
    std::string lockedfile(const std::string& relative)
    {
        const std::string p = file(relative);
        tree.setMode("web/" + relative, 0444);
        return p;
    }

    // Writes the list file and names it in the list box.
    void listfile(const std::string& bytes) { in.listpath = tree.createFile("list.txt", bytes); }

    // A run as the window makes it: the engine, then the boxes of its outcome.
    void run() { outcome = deleterunshown(engine, in, ui); }

    std::vector<std::string> said() const
    {
        std::vector<std::string> out;
        for (const auto& b : ui.boxes) {
            out.push_back(describe(b));
        }
        return out;
    }

    bool reportexists() const { return tree.exists("app/Err_Report.txt"); }

    // The entry lines of the report, decoded; the header is checked on the way.
    std::vector<std::string> reported() const
    {
        if (!reportexists()) {
            return {};
        }
        const std::string bytes = tree.read("app/Err_Report.txt");
        const std::string head = platform::togbk(kReportHeader) + "\r\n\r\n";
        EXPECT_EQ(bytes.substr(0, head.size()), head);
        std::vector<std::string> lines;
        std::string::size_type start = head.size();
        while (start < bytes.size()) {
            const auto end = bytes.find("\r\n", start);
            EXPECT_NE(end, std::string::npos) << "report line without CR LF";
            if (end == std::string::npos) {
                break;
            }
            lines.push_back(platform::fromgbk(bytes.substr(start, end - start)));
            start = end + 2;
        }
        return lines;
    }

    TempTree tree;
    RecordingUi ui;
    batchdel::BatchDelete engine{ui};
    batchdel::Inputs in;
    Outcome outcome; // of the last run
    std::string web;
    // The summary of a run with failures names the report on a line of its own.
    const std::string S2 = test::S2 + "\n" + tree.path("app/Err_Report.txt");
};

} // namespace morvik::test
