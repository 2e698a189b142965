#include "foundation/UserRegistry.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace korvel {
namespace {

namespace fs = std::filesystem;

class UserRegistryTest : public ::testing::Test {
protected:
    void WriteRegistry(const std::string& AText) const
    {
        fs::create_directories(FConfig.Path() / "Tessaro");
        test::WriteFileBytes(FConfig.Path() / "Tessaro" / "registry.ini", AText);
    }

    test::TempDir FConfig;
    test::EnvGuard FConfigHome{"XDG_CONFIG_HOME", FConfig.Path().string()};
};

TEST_F(UserRegistryTest, CodeWordComesFromTheFamilysKey)
{
    WriteRegistry("[Other]\nsa=wrong\n[SOFTWARE\\Tessaro]\nsa=слово\n");
    EXPECT_EQ(UserRegistryFileName(), FConfig.Folder() + "Tessaro/registry.ini");
    EXPECT_EQ(GetCodeWord(), "слово");
    EXPECT_EQ(ReadUserRegistryString("SOFTWARE\\Tessaro\\", "SA"), "слово");
}

TEST_F(UserRegistryTest, AbsentFileKeyOrValueGivesEmptyText)
{
    EXPECT_EQ(GetCodeWord(), "");
    WriteRegistry("[SOFTWARE\\Tessaro]\nother=1\n[SOFTWARE]\nsa=parent\n");
    EXPECT_EQ(GetCodeWord(), "");
    EXPECT_EQ(ReadUserRegistryString("\\SOFTWARE\\Absent", "sa"), "");
    EXPECT_EQ(ReadUserRegistryString("", "sa"), "");
}

}  // namespace
}  // namespace korvel
