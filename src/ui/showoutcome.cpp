// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/showoutcome.h"

#include "run/ui.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"
#include "tools/append/failures.h"
#include "tools/batchdel/batchdelete.h"
#include "tools/filelist/listgen.h"
#include "tools/urlgen/urlpages.h"

#include <string>
#include <utility>

namespace win
{

namespace
{

using morvik::Icon;
using morvik::Outcome;
using morvik::Refusal;
using Problem = morvik::Refusal::Problem;

// How a window shows one refusal: its box's title and icon, and the control that gets
// the focus (none when empty).
struct RefusalBox {
    const char* title;
    Icon icon;
    const char* control;
};

RefusalBox contentrefusal(const Refusal& refusal)
{
    if (refusal.field == morvik::append::kContentFileField) {
        switch (refusal.problem) {
        case Problem::Missing:
            return {"设置错误", Icon::Warning, "Text1"};
        case Problem::Empty:
            return {"文件错误", Icon::Warning, "Text1"};
        default:
            return {"文件错误", Icon::Critical, ""};
        }
    }
    if (refusal.problem == Problem::Missing) {
        return {"设置错误", Icon::Critical, "Text2"};
    }
    return {morvik::append::kContentTitle, Icon::Critical, ""};
}

RefusalBox urlrefusal(const Refusal& refusal)
{
    if (refusal.problem == Problem::Unreadable) {
        return {morvik::kAppTitle, Icon::Critical, ""};
    }
    if (refusal.field == morvik::kUrlListField) {
        return {"文件错误", Icon::Critical, "Text1"};
    }
    return {"设置错误", Icon::Critical, "Text2"};
}

RefusalBox deleterefusal(const Refusal& refusal)
{
    if (refusal.problem == Problem::Busy) {
        return {"删除操作", Icon::Critical, ""};
    }
    if (refusal.field == morvik::batchdel::kFolderField) {
        return {"操作有误", Icon::Critical, ""};
    }
    return {"操作有误", Icon::Warning,
            refusal.field == morvik::batchdel::kNameField ? "Text3" : ""};
}

RefusalBox refusalbox(const Refusal& refusal, RunKind run)
{
    switch (run) {
    case RunKind::Content:
        return contentrefusal(refusal);
    case RunKind::Url:
        return urlrefusal(refusal);
    case RunKind::Delete:
        return deleterefusal(refusal);
    case RunKind::Copy:
    case RunKind::List:
        break;
    }
    return {"设置错误", Icon::Critical, ""};
}

// A file the URL run could not write, as its box names it: the path and the reason.
std::string unwrittentext(const morvik::Failure& failure)
{
    return failure.path.empty() ? failure.reason : failure.path + ": " + failure.reason;
}

// The title and icon of a deletion run's notice.
std::pair<const char*, Icon> deletebox(morvik::Notice::Kind kind)
{
    using Kind = morvik::Notice::Kind;
    switch (kind) {
    case Kind::Done:
        return {"删除操作", Icon::Information};
    case Kind::Incomplete:
        return {"删除完成", Icon::Warning};
    case Kind::NoFullPathMatch:
    case Kind::NoMatch:
        return {"文件未找到", Icon::Warning};
    case Kind::NoListFullPathMatch:
        return {"删除错误", Icon::None};
    case Kind::NoListMatch:
        return {"文件未找到", Icon::Information};
    case Kind::BadName:
    case Kind::ListUnnamed:
        return {"文件名错误", Icon::Warning};
    case Kind::ListUnreadable:
        return {"文件错误", Icon::Critical};
    case Kind::ListEmpty:
        return {"空文件错误", Icon::Warning};
    case Kind::Unreported:
        return {"文件错误", Icon::Critical};
    case Kind::Untrashed:
        return {"回收站", Icon::Critical};
    }
    return {morvik::kAppTitle, Icon::None};
}

} // namespace

void showoutcome(const Outcome& outcome, RunKind run, morvik::Ui& ui)
{
    // A refusal without a message has been told already (a rejected locator); the run
    // may still have failures to name.
    if (outcome.refusal && !outcome.refusal->message.empty()) {
        const RefusalBox box = refusalbox(*outcome.refusal, run);
        ui.msgbox(outcome.refusal->message, box.title, box.icon);
        if (*box.control) {
            ui.focus(box.control);
        }
        return;
    }
    const bool done = outcome.has(morvik::Notice::Kind::Done);
    switch (run) {
    case RunKind::Content:
        if (!outcome.failures.empty()) {
            ui.msgbox(morvik::append::failuretext(morvik::append::kContentFailedHeading,
                                                  outcome.failures),
                      morvik::append::kContentTitle, Icon::Critical);
        } else if (done) {
            ui.msgbox(morvik::append::kContentDoneText, morvik::append::kContentTitle,
                      Icon::Information);
        }
        return;
    case RunKind::Copy:
        if (!outcome.failures.empty()) {
            ui.msgbox(
                morvik::append::failuretext(morvik::append::kCopyFailedHeading, outcome.failures),
                morvik::append::kCopyTitle, Icon::Critical);
        } else if (done) {
            ui.msgbox(morvik::append::kCopyDoneText, morvik::append::kCopyTitle, Icon::Information);
        }
        return;
    case RunKind::List:
        for (const auto& failure : outcome.failures) {
            ui.msgbox(morvik::filelist::failedtext(failure), morvik::filelist::kTitle,
                      Icon::Critical);
        }
        if (done) {
            ui.msgbox(morvik::filelist::donetext(outcome.report), morvik::filelist::kTitle,
                      Icon::Information);
        }
        return;
    case RunKind::Url:
        for (const auto& failure : outcome.failures) {
            ui.msgbox(unwrittentext(failure), morvik::kAppTitle, Icon::Critical);
        }
        if (done) {
            ui.msgbox(morvik::urldonetext(outcome.failures.size()), morvik::kUrlTitle,
                      outcome.failures.empty() ? Icon::Information : Icon::Warning);
        }
        return;
    case RunKind::Delete:
        // Every notice is a box of its own, in the order the run came to it; the files
        // that stayed are in the report, not in a box.
        for (const auto& notice : outcome.notices) {
            const auto [title, icon] = deletebox(notice.kind);
            ui.msgbox(morvik::batchdel::noticetext(notice), title, icon);
        }
        return;
    }
}

} // namespace win
