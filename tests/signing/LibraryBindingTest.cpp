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

}  // namespace
}  // namespace korvel
