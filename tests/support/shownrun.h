// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/outcome.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"
#include "tools/batchdel/batchdelete.h"
#include "tools/batchdel/listfile.h"
#include "tools/urlgen/urlrun.h"
#include "ui/showoutcome.h"

namespace morvik::test
{

// The runs as their windows make them: the engine, then the boxes the window shows for
// its outcome, through the same Ui. Returns the outcome.
inline Outcome contentrunshown(const append::ContentSettings& settings, Ui& ui,
                               Progress* progress = nullptr)
{
    Outcome outcome = append::contentrun(settings, ui, progress);
    win::showoutcome(outcome, win::RunKind::Content, ui);
    return outcome;
}

inline Outcome copyrunshown(const std::string& sourcefolder, const std::vector<std::string>& names,
                            const std::string& targetfolder, Ui& ui, Progress* progress = nullptr)
{
    Outcome outcome = append::copyrun(sourcefolder, names, targetfolder, ui, progress);
    win::showoutcome(outcome, win::RunKind::Copy, ui);
    return outcome;
}

inline Outcome urlrunshown(UrlRun& run, UrlHost& host, Ui& ui, Progress* progress = nullptr)
{
    Outcome outcome = run.run(host, ui, progress);
    win::showoutcome(outcome, win::RunKind::Url, ui);
    return outcome;
}

inline Outcome deleterunshown(batchdel::BatchDelete& engine, const batchdel::Inputs& in, Ui& ui)
{
    Outcome outcome = engine.run(in);
    win::showoutcome(outcome, win::RunKind::Delete, ui);
    return outcome;
}

// A list file read as the deletion run reads it, with the box its notice makes.
inline batchdel::ListFile listfileshown(const std::string& path, Ui& ui)
{
    batchdel::ListFile list = batchdel::readfile(path);
    if (list.notice) {
        Outcome outcome;
        outcome.notices.push_back(*list.notice);
        win::showoutcome(outcome, win::RunKind::Delete, ui);
    }
    return list;
}

} // namespace morvik::test
