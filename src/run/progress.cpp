// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/progress.h"

namespace morvik
{

std::string Progress::folder() const
{
    std::lock_guard lock(m_mutex);
    return m_folder;
}

void Progress::setfolder(std::string_view folder)
{
    std::lock_guard lock(m_mutex);
    if (m_folder != folder) {
        m_folder.assign(folder);
    }
}

std::string progresstext(const Progress& progress)
{
    return "已处理 " + std::to_string(progress.done()) + " / " + std::to_string(progress.found()) +
           " 个文件";
}

std::string stoppedtext(const Progress& progress)
{
    return "操作已停止：" + progresstext(progress) + "，其余文件未处理。";
}

} // namespace morvik
