// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/pagestream.h"

#include "platform/text/codec.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

using morvik::append::PageSurvey;

namespace
{

// A page surveyed a few bytes at a time, as FileWindow hands them over: each stretch
// holds the bytes from what the survey still needs on, and one chunk more.
PageSurvey surveyinstretches(const std::string& page, const std::string& marker, std::size_t chunk)
{
    PageSurvey survey(marker);
    std::size_t base = 0;
    std::size_t end = std::min(page.size(), chunk);
    for (;;) {
        const bool complete = end == page.size();
        const std::uint64_t keep =
            survey.add(std::string_view(page).substr(base, end - base), base, complete);
        if (complete) {
            return survey;
        }
        EXPECT_GE(keep, base);
        EXPECT_LE(end - keep, 8u) << "holds more than it needs";
        base = static_cast<std::size_t>(keep);
        end = std::min(page.size(), end + chunk);
    }
}

// Whatever the stretches, the survey answers as a look at the whole page does.
TEST(PageSurvey, AnswersAsTheWholePage)
{
    const std::string pages[] = {
        "",
        "a",
        "plain ascii\r\n",
        "\xEF\xBB\xBF<p>正文</p>\n",
        "正文\xF0\x9F\x98\x80",
        "cut \xE6\xAD",
        "\xE6\xAD\xA3\xA3",
        "\xC0\xAF overlong",
        "\xED\xA0\x80 surrogate",
        "\x80\x80\x80\x80\x80 lone",
        "gbk \xD5\xFD\xCE\xC4\r",
        "</bo</body>\n\r",
    };
    for (const std::string& page : pages) {
        for (const std::size_t chunk : {1, 2, 3, 4, 5, 100}) {
            const PageSurvey survey = surveyinstretches(page, "</body>", chunk);
            const std::string where = "page \"" + page + "\" stretch " + std::to_string(chunk);
            EXPECT_EQ(survey.size(), page.size()) << where;
            EXPECT_EQ(survey.utf8(), morvik::platform::isutf8(page)) << where;
            EXPECT_EQ(survey.ascii(),
                      std::none_of(page.begin(), page.end(), [](char c) { return c & 0x80; }))
                << where;
            EXPECT_EQ(survey.hascr(), page.find('\r') != std::string::npos) << where;
            EXPECT_EQ(survey.haslf(), page.find('\n') != std::string::npos) << where;
            EXPECT_EQ(survey.last(), page.empty() ? '\0' : page.back()) << where;
            EXPECT_EQ(survey.markerfound(), page.find("</body>") != std::string::npos) << where;
            EXPECT_EQ(survey.head(), page.substr(0, morvik::append::kHeadBytes)) << where;
        }
    }
}

} // namespace
