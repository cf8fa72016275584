// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/net/httpcheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using morvik::platform::missingprotocols;

namespace
{

struct ProtocolCase {
    const char* name;
    std::vector<const char*> available; // without the terminating null
    std::vector<std::string> missing;
};

class MissingProtocols : public ::testing::TestWithParam<ProtocolCase>
{
};

TEST_P(MissingProtocols, NamesWhatTheListLacks)
{
    auto list = GetParam().available;
    list.push_back(nullptr);
    EXPECT_EQ(missingprotocols(list.data(), {"http", "https"}), GetParam().missing);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, MissingProtocols,
    ::testing::Values(ProtocolCase{"both", {"dict", "file", "ftp", "http", "https", "smtp"}, {}},
                      ProtocolCase{"no_tls", {"file", "ftp", "http"}, {"https"}},
                      ProtocolCase{"only_tls", {"https"}, {"http"}},
                      ProtocolCase{"none", {}, {"http", "https"}},
                      // A protocol whose name merely begins with "http" is not http.
                      ProtocolCase{"prefix_only", {"httpx", "https2"}, {"http", "https"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MissingProtocolsNull, NoListLacksEverything)
{
    EXPECT_EQ(missingprotocols(nullptr, {"http", "https"}),
              (std::vector<std::string>{"http", "https"}));
}

TEST(HttpCheck, TheLinkedLibcurlFetchesHttpAndHttps)
{
    EXPECT_EQ(morvik::platform::httpcheck(), "");
}

} // namespace
