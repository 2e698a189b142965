#include "foundation/Constants.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace korvel {
namespace {

TEST(Constants, VersionIsFourNumbers)
{
    EXPECT_TRUE(std::regex_match(std::string(constants::AppVersion), std::regex(R"(\d+\.\d+\.\d+\.\d+)")));
}

TEST(Constants, FixedValuesHaveTheirForms)
{
    EXPECT_TRUE(std::regex_match(std::string(constants::PasswordScrambleKey), std::regex("[A-Za-z0-9_]{9}")));
    EXPECT_TRUE(std::regex_match(std::string(constants::StoredSecretKey), std::regex("[A-Za-z]{6}")));
    EXPECT_EQ(constants::StoredSecretBlockMask & 0xFFFF0000u, 0u);
    EXPECT_EQ(constants::ChecksumSalt.size(), 10u);
}

}  // namespace
}  // namespace korvel
