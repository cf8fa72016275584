// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/helpwindow.h"

namespace win
{

namespace
{

// The help text, line by line; the breaks stand where the text has always had them,
// inside sentences too.
constexpr const char* kLines[] = {
    "",
    "",
    "1、生成文件、文件夹列表：生成指定目录下的文件和文件夹列表，可以生成单独文件列表或单独的文件夹"
    "列表。文件列表可以包含全部文件，也可以",
    "是某种类型的文件。列表中每个文件或文件夹可以含有绝对路径，也可仅是文件或文件夹名。列表保存为TX"
    "T格式文件。",
    "",
    "2、文件批量删除：批量删除指定的文件，文件名可以含有通配符；批量删除列表文件指定的文件。删除中"
    "，支持扫描多级子文件夹。由于文件不存在",
    "，或文件正在被使用而无法删除，可以记录错误报告。",
    "",
    "3、文件批量追加功能：将指定文件夹下的文件复制到目标文件夹下所有的子文件夹。",
    "",
    "4、文件内容批量追加：可以将文本追加到文件夹指定类型的文件里，目标文件所在的位置可以是当前文件"
    "夹、当前文件夹及",
    "下一级文件夹，以及当前文件夹及下面的各级子文件夹中。目标文件支持多种格式，包括TXT、JSP、PHP、C"
    "SS、JS、HTML、",
    "HTM等。追加后的内容可以位于文件的任何位置。",
    "",
    "5、根据网址列表生成URL文件：根据文本文件中提供的网址列表（每行一个网址）自动成URL文件，文件名"
    "为网页的Title标题。",
    "",
    "6、以上操作过程中各种设置可以保存，下次打开可以直接使用设置。",
    "",
    "注意事项：",
    "",
    "（1）由于使用环境不同，打开时报错建议多打开两次；win7用户首次运行请“以管理员身份运行(A)”。",
    "",
    "（2）批量追加文件，适用于向指定的文件夹下各个子文件夹复制文件，不会向更下级的文件夹复制文件；"
    "目标位置文件名设置支持使用通配符。",
    "",
    "（3）向文件追加内容，如需指定特定位置，需采用格式：[A][F]{:$}STR,其中{:$}"
    "是分隔符，字符A表示将内容插入STR字符串之后；F表示将内容插入STR字符串之前,"
    "必选其一；STR是目标文件中的字符串。",
    "",
    "（2）批量生成URL文件：请将多个完整的URL放到一个文本文件中，每个网址占一行；生成过程程序会访问"
    "每个URL，请保持您的电脑处于联机状态。",
};

} // namespace

const std::string& helptext()
{
    static const std::string text = [] {
        std::string joined;
        for (const char* line : kLines) {
            joined += line;
            joined += "\r\n";
        }
        return joined;
    }();
    return text;
}

} // namespace win
