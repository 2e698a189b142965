// The modules registered with p11-kit, read from registrations made up by the tests.

#include "signlib/MediaRegistry.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

using namespace korvel::signlib;
using korvel::test::TempDir;
using korvel::test::WriteFileBytes;

namespace {

struct RegistrationCase {
    const char* Description;
    const char* FileName;
    const char* Content;
    const char* ExpectedPath;  // nullptr: not offered
};

void PrintTo(const RegistrationCase& registration, std::ostream* out)
{
    *out << registration.Description;
}

class MediaRegistryTest : public ::testing::TestWithParam<RegistrationCase> {
protected:
    TempDir FFolder;
};

TEST_P(MediaRegistryTest, OffersWhatTheProxyWouldLoad)
{
    const RegistrationCase& registration = GetParam();
    WriteFileBytes(FFolder.Path() / registration.FileName, registration.Content);

    const std::vector<TMediaType> types = RegisteredMediaTypes({{FFolder.Path()}, "/modules"});

    if (registration.ExpectedPath == nullptr) {
        EXPECT_TRUE(types.empty());
    } else {
        ASSERT_EQ(types.size(), 1u);
        EXPECT_EQ(types[0].Name, "token");
        EXPECT_EQ(types[0].ModulePath, registration.ExpectedPath);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Registrations, MediaRegistryTest,
    ::testing::Values(
        RegistrationCase{"relative", "token.module", "module: libtoken.so\n", "/modules/libtoken.so"},
        RegistrationCase{"absolute", "token.module", "module: /opt/token/libtoken.so\n", "/opt/token/libtoken.so"},
        RegistrationCase{"blanks and comments", "token.module",
                         "# module: wrong.so\n\n   module:   libtoken.so  \r\npriority: 3\n", "/modules/libtoken.so"},
        RegistrationCase{"no module line", "token.module", "priority: 1\n", nullptr},
        RegistrationCase{"empty module line", "token.module", "module:\n", nullptr},
        RegistrationCase{"kept out of the proxy", "token.module", "module: libtoken.so\ndisable-in: p11-kit-proxy\n",
                         nullptr},
        RegistrationCase{"kept out of another program", "token.module", "module: libtoken.so\ndisable-in: firefox\n",
                         "/modules/libtoken.so"},
        RegistrationCase{"only for another program", "token.module", "module: libtoken.so\nenable-in: firefox\n",
                         nullptr},
        RegistrationCase{"also for the proxy", "token.module",
                         "module: libtoken.so\nenable-in: firefox, p11-kit-proxy\n", "/modules/libtoken.so"},
        RegistrationCase{"the proxy itself", "token.module", "module: p11-kit-proxy.so\n", nullptr},
        RegistrationCase{"not a registration", "token.conf", "module: libtoken.so\n", nullptr}),
    [](const ::testing::TestParamInfo<RegistrationCase>& info) {
        std::string name = info.param.Description;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(MediaRegistry, OrdersByNameAndLetsALaterFolderReplaceARegistration)
{
    TempDir package;
    TempDir system;
    WriteFileBytes(package.Path() / "zeta.module", "module: libzeta.so\n");
    WriteFileBytes(package.Path() / "alpha.module", "module: libalpha.so\n");
    WriteFileBytes(system.Path() / "alpha.module", "module: /opt/alpha/libalpha.so\n");
    WriteFileBytes(system.Path() / "mid.module", "module: libmid.so\n");

    const std::vector<TMediaType> types = RegisteredMediaTypes({{package.Path(), system.Path()}, "/modules"});

    ASSERT_EQ(types.size(), 3u);
    EXPECT_EQ(types[0].Name, "alpha");
    EXPECT_EQ(types[0].ModulePath, "/opt/alpha/libalpha.so");
    EXPECT_EQ(types[1].Name, "mid");
    EXPECT_EQ(types[2].Name, "zeta");
}

TEST(MediaRegistry, AMissingFolderRegistersNothing)
{
    TempDir folder;
    EXPECT_TRUE(RegisteredMediaTypes({{folder.Path() / "absent"}, "/modules"}).empty());
}

TEST(MediaRegistry, ResolvesABareModuleNameWhereP11KitKeepsModules)
{
    TempDir modules;
    WriteFileBytes(modules.Path() / "libthere.so", "");

    EXPECT_EQ(ResolveModuleName("libthere.so", modules.Path()), (modules.Path() / "libthere.so").string());
    EXPECT_EQ(ResolveModuleName("libelsewhere.so", modules.Path()), "libelsewhere.so");
    EXPECT_EQ(ResolveModuleName("/opt/libthere.so", modules.Path()), "/opt/libthere.so");
}

}  // namespace
