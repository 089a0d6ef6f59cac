// Parsing of socket endpoint texts.
#include <gtest/gtest.h>

#include <string>

#include "Endpoint.h"

namespace quorvex::link {
namespace {

TEST(Endpoint, ParsesWhatItCanAndNamesTheEndpointWhenItCannot) {
    // Text, then the form it is written back in; empty when it is refused.
    const std::pair<std::string, std::string> cases[] = {
        {"tcp://127.0.0.1:5555", "tcp://127.0.0.1:5555"},
        {"tcp://:7000", "tcp://127.0.0.1:7000"},
        {"tcp://[::1]:65535", "tcp://[::1]:65535"},
        {"unix:/run/quorvex.sock", "unix:/run/quorvex.sock"},
        {"tcp://host:65536", ""},
        {"tcp://host:80x", ""},
        {"tcp://::1:80", ""},
        {"unix:", ""},
        {"sim:", ""},
        {"unix:" + std::string(108, 'p'), ""},  // no room for the NUL in sun_path
    };
    for (const auto& [text, formatted] : cases) {
        Endpoint endpoint;
        std::string error;
        EXPECT_EQ(ParseEndpoint(text, &endpoint, &error), !formatted.empty()) << text;
        if (formatted.empty()) {
            EXPECT_EQ(error.rfind(text, 0), 0u) << error;
        } else {
            EXPECT_EQ(FormatEndpoint(endpoint), formatted);
        }
    }
}

}  // namespace
}  // namespace quorvex::link
