// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two web addresses of the launcher, kept in this one place.
namespace win::addresses
{

// The project's home page, opened by the launcher's link.
inline constexpr const char* kHomePage = "https://morvik.example.org/";
// The small page shown in the launcher's strip (news of the project).
inline constexpr const char* kStripPage = "https://morvik.example.org/strip.html";

} // namespace win::addresses
