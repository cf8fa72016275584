#include "tools/append/copyrun.h"

#include "platform/batchcopy.h"
#include "platform/fileops.h"
#include "platform/fsobject.h"
#include "platform/progress.h"
#include "platform/syserror.h"
#include "platform/ui.h"

#include <memory>

namespace morvik::append
{

namespace
{

constexpr const char* kFullWidthColon = "：";

std::string joinpath(const std::string& folder, const std::string& name)
{
    return folder + "/" + name;
}

std::string nameof(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string targetfromcaption(const std::string& caption)
{
    const auto colon = caption.find(kFullWidthColon);
    if (colon == std::string::npos) {
        return caption;
    }
    return caption.substr(colon + std::string_view(kFullWidthColon).size());
}

std::vector<FileFailure> copyrun(const std::string& sourcefolder,
                                 const std::vector<std::string>& names,
                                 const std::string& targetfolder, Ui& ui,
                                 platform::Progress* progress)
{
    const auto stopped = [progress] { return progress && progress->stoprequested(); };
    std::vector<FileFailure> failures;
    std::vector<platform::SubfolderItem> subfolders;
    try {
        subfolders = platform::getfolder(targetfolder).subfolders;
    } catch (const platform::SysError& e) {
        failures.push_back({e.path(), e.reason()});
    }

    std::vector<bool> touched(subfolders.size(), false);
    if (progress) {
        progress->addfound(names.size() * subfolders.size());
    }
    if (!subfolders.empty()) {
        for (const auto& name : names) {
            if (stopped()) {
                break;
            }
            std::unique_ptr<platform::SourceFile> source;
            try {
                source = std::make_unique<platform::SourceFile>(joinpath(sourcefolder, name));
            } catch (const platform::SysError& e) {
                // A source file gone since the list was read fails once, not per folder.
                failures.push_back({e.path(), e.reason()});
                continue;
            }
            for (std::size_t i = 0; i < subfolders.size() && !stopped(); ++i) {
                const std::string destination = joinpath(subfolders[i].path, name);
                bool ok = false;
                if (progress) {
                    progress->setfolder(subfolders[i].path);
                }
                try {
                    if (progress && progress->rehearsing()) {
                        ok = progress->rehearse(destination);
                    } else {
                        source->copyto(destination);
                        touched[i] = ok = true;
                    }
                } catch (const platform::SysError& e) {
                    failures.push_back({e.path(), e.reason()});
                }
                if (progress) {
                    progress->filedone(ok);
                }
            }
        }
    }
    platform::SyncSet written;
    for (std::size_t i = 0; i < subfolders.size(); ++i) {
        if (touched[i]) {
            written.add(subfolders[i].path);
        }
    }
    for (const auto& error : written.flush()) {
        failures.push_back({targetfolder, error});
    }

    if (failures.empty()) {
        if (!stopped()) {
            ui.msgbox("文件追加成功！", "文件追加", Icon::Information);
        }
    } else {
        ui.msgbox(failuretext("以下文件未能追加：", failures), "文件追加", Icon::Critical);
    }
    return failures;
}

bool addsourcefile(const std::string& chosen, const std::string& sourcefolder, Ui& ui)
{
    const std::string destination = joinpath(sourcefolder, nameof(chosen));
    if (platform::samefile(chosen, destination)) {
        return true; // it already lies in the source folder
    }
    try {
        platform::copyfile(chosen, destination);
        return true;
    } catch (const platform::SysError& e) {
        ui.msgbox("文件 " + chosen + " 未能添加到 " + sourcefolder + "：" + e.reason(), "文件添加",
                  Icon::Critical);
        return false;
    }
}

bool deletesourcefile(const std::string& sourcefolder, const std::string& name, Ui& ui)
{
    if (name.empty()) {
        ui.msgbox("请先选中要删除的文件。", "文件删除错误", Icon::Warning);
        ui.focus("File1");
        return false;
    }
    if (ui.msgbox("真的要删除 " + name + " 吗？", "文件删除", Icon::None, Buttons::YesNo) !=
        Answer::Yes) {
        return false;
    }
    const std::string path = joinpath(sourcefolder, name);
    std::string reason;
    switch (platform::deletefile(path, &reason)) {
    case platform::DeleteResult::Deleted:
        return true;
    case platform::DeleteResult::NotFound:
    case platform::DeleteResult::Refused:
        break;
    }
    ui.msgbox("文件 " + path + " 未能删除：" + reason, "文件删除错误", Icon::Critical);
    return false;
}

} // namespace morvik::append
