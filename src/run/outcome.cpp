// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/outcome.h"

#include <algorithm>

namespace morvik
{

bool Outcome::has(Notice::Kind kind) const
{
    return std::any_of(notices.begin(), notices.end(),
                       [kind](const Notice& notice) { return notice.kind == kind; });
}

bool Outcome::troubled() const
{
    return refusal || !failures.empty() || skipped > 0 ||
           std::any_of(notices.begin(), notices.end(),
                       [](const Notice& notice) { return notice.kind != Notice::Kind::Done; });
}

} // namespace morvik
