#include "foundation/AutoRun.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel {
namespace {

namespace fs = std::filesystem;

const std::string ExePath = "/opt/korvel/korvel";

class AutoRunTest : public ::testing::Test {
protected:
    fs::path EntryFile() const { return FConfig.Path() / "autostart" / "Korvel.desktop"; }

    void WriteEntry(const std::string& AExecLine) const
    {
        fs::create_directories(EntryFile().parent_path());
        test::WriteFileBytes(EntryFile(), "[Desktop Entry]\nType=Application\nName=Korvel\n" + AExecLine + "\n");
    }

    test::TempDir FConfig;
    test::EnvGuard FConfigHome{"XDG_CONFIG_HOME", FConfig.Path().string()};
};

TEST_F(AutoRunTest, SetThenCheckThenRemove)
{
    EXPECT_FALSE(IsAutoRunSet(ExePath));

    SetAutoRun(ExePath, true);
    EXPECT_EQ(AutoRunEntryFileName(), EntryFile().string());
    EXPECT_NE(test::ReadFileBytes(EntryFile()).find("\nExec=/opt/korvel/korvel\n"), std::string::npos);
    EXPECT_TRUE(IsAutoRunSet(ExePath));
    EXPECT_FALSE(IsAutoRunSet("/opt/korvel/Korvel"));
    EXPECT_FALSE(IsAutoRunSet("/opt/korvel/korvel2"));

    SetAutoRun(ExePath, false);
    EXPECT_FALSE(fs::exists(EntryFile()));
    EXPECT_FALSE(IsAutoRunSet(ExePath));
    EXPECT_NO_THROW(SetAutoRun(ExePath, false));
}

struct TStoredCase {
    std::string ExecLine;
    bool Matches;
};

TEST_F(AutoRunTest, StoredValueIsTrimmedAndComparedExactly)
{
    const std::vector<TStoredCase> cases = {
        {"Exec=/opt/korvel/korvel", true},
        {"Exec=  /opt/korvel/korvel \t ", true},
        {"Exec = /opt/korvel/korvel", true},
        {"Exec=\"/opt/korvel/korvel\"", false},
        {"Exec=/opt/korvel/korvel AUTO_HIDE", false},
        {"Exec=/OPT/korvel/korvel", false},
        {"Exec=", false},
        {"Exec=   ", false},
        {"Name=x", false},
        {"Exec=/opt/korvel/korvel\nHidden=true", false},
    };
    for (const auto& c : cases) {
        WriteEntry(c.ExecLine);
        EXPECT_EQ(IsAutoRunSet(ExePath), c.Matches) << c.ExecLine;
    }
}

TEST_F(AutoRunTest, ExecOutsideTheEntryGroupDoesNotCount)
{
    fs::create_directories(EntryFile().parent_path());
    test::WriteFileBytes(EntryFile(), "[Desktop Action x]\nExec=/opt/korvel/korvel\n[Desktop Entry]\nName=Korvel\n");
    EXPECT_FALSE(IsAutoRunSet(ExePath));
}

TEST_F(AutoRunTest, PathsTheLauncherWouldSplitAreQuotedAndStillMatch)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/o p/korvel", R"(Exec="/home/o p/korvel")"},
        {"/opt/$x/100%/korvel", R"(Exec="/opt/\\$x/100%%/korvel")"},
        {"/opt/a\\b/korvel", R"(Exec="/opt/a\\\\b/korvel")"},
    };
    for (const auto& [path, line] : cases) {
        SetAutoRun(path, true);
        EXPECT_NE(test::ReadFileBytes(EntryFile()).find("\n" + line + "\n"), std::string::npos) << path;
        EXPECT_TRUE(IsAutoRunSet(path)) << path;
    }
}

TEST_F(AutoRunTest, DefaultsToTheConfigFolderInHome)
{
    test::TempDir home;
    test::EnvGuard homeDir("HOME", home.Path().string());
    test::EnvGuard noConfigHome("XDG_CONFIG_HOME", "");

    SetAutoRun(ExePath, true);

    EXPECT_TRUE(fs::exists(home.Path() / ".config" / "autostart" / "Korvel.desktop"));
    EXPECT_TRUE(IsAutoRunSet(ExePath));
}

TEST_F(AutoRunTest, WriteFailureRaisesFailedToSetData)
{
    // A folder where the entry file belongs: refused whoever runs the test.
    fs::create_directories(EntryFile());
    try {
        SetAutoRun(ExePath, true);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'Korvel'");
    }
    test::WriteFileBytes(EntryFile() / "x", "x");
    EXPECT_THROW(SetAutoRun(ExePath, false), std::runtime_error);
}

TEST_F(AutoRunTest, AFileWhereTheAutostartFolderBelongsFails)
{
    test::WriteFileBytes(FConfig.Path() / "autostart", "not a folder");
    EXPECT_THROW(SetAutoRun(ExePath, true), std::runtime_error);
    EXPECT_FALSE(IsAutoRunSet(ExePath));
}

}  // namespace
}  // namespace korvel
