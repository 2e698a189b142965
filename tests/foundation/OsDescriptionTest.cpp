#include "foundation/OsDescription.h"

#include <gtest/gtest.h>

#include <regex>

namespace korvel {
namespace {

TEST(OsDescription, NamesTheSystemAndItsKernelInTheServersLayout)
{
    struct Case {
        TOsRelease Release;
        const char* Expected;
    };
    const Case cases[] = {
        {{"Debian GNU/Linux 12 (bookworm)", "6.1.0-18-amd64", true},
         "Debian GNU/Linux 12 (bookworm) (Version 6.1, Build 0, 64-bit Edition)"},
        {{"Ubuntu 24.04 LTS", "6.8.12", false}, "Ubuntu 24.04 LTS (Version 6.8, Build 12, 32-bit Edition)"},
        {{"", "5.15", true}, "Linux (Version 5.15, Build 0, 64-bit Edition)"},
        {{"X", "", true}, "X (Version 0.0, Build 0, 64-bit Edition)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatOsDescription(c.Release), c.Expected);
}

TEST(OsDescription, ReadsThePrettyNameElseTheName)
{
    EXPECT_EQ(OsReleaseName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(OsReleaseName("NAME=Fedora\nVERSION_ID=40\n"), "Fedora");
    EXPECT_EQ(OsReleaseName("PRETTY_NAME='A \\\"quoted\\\" name'\n"), "A \"quoted\" name");
    EXPECT_EQ(OsReleaseName("# nothing here\n"), "");
}

TEST(OsDescription, ThisMachineHasADescription)
{
    EXPECT_TRUE(
        std::regex_match(GetOsDescription(), std::regex(R"(.+ \(Version \d+\.\d+, Build \d+, (32|64)-bit Edition\))")));
}

}  // namespace
}  // namespace korvel
