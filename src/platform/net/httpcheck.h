// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace morvik::platform
{

// The protocols of `required` that are missing from `available` (a null-terminated
// list such as libcurl reports), in the order of `required`.
std::vector<std::string> missingprotocols(const char* const* available,
                                          const std::vector<std::string>& required);

// Whether the HTTP transfer can fetch http and https addresses with the libcurl this
// program runs with (loading it). Empty when it can; otherwise a message naming the
// library that could not be loaded and why, or the libcurl version and the protocols it
// lacks.
std::string httpcheck();

} // namespace morvik::platform
