#include "signing/LibraryBinding.h"

#include "foundation/Param.h"

#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace korvel {
namespace {

class LibraryBindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(FDir.Path() / "Korvel");
        UnloadLibrary();
    }
    void TearDown() override { UnloadLibrary(); }

    test::TempDir FDir;
    test::EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FDir.Folder() + "Korvel/"};
};

TEST_F(LibraryBindingTest, MissingLibraryOrEntryPointLoadsNothing)
{
    for (const char* library : {"no-such-library.so", "/nonexistent/libkorvelsign.so", "libcrypto.so.3"}) {
        TParam::WriteValue("SIGN_LIBRARY", library);
        EXPECT_FALSE(EULoadDLL()) << library;
        EXPECT_EQ(LibraryInterface(), nullptr) << library;
    }
}

TEST_F(LibraryBindingTest, BundledLibraryBesideTheExecutableLoadsEveryEntryPoint)
{
    ASSERT_TRUE(EULoadDLL());
    const TEUSignInterface* table = LibraryInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(EULoadDLL()) << "a second load keeps the first";
    EXPECT_EQ(LibraryInterface(), table);
    EXPECT_EQ(table->Initialize(), EU_ERROR_NONE);
    EXPECT_NE(std::string(table->GetErrorLangDesc(EU_WARNING_END_OF_ENUM, EU_LANG_UA)), "");
    table->Finalize();
    UnloadLibrary();
    EXPECT_EQ(LibraryInterface(), nullptr);
}

}  // namespace
}  // namespace korvel
