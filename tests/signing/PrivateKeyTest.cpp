#include "signing/PrivateKey.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

struct TGrydaCase {
    const char* Name;
    bool IsFile;
    const char* DeviceName;
    bool Gryda;
};

const TGrydaCase GrydaCases[] = {
    {"device of the model", false, "[Гряда №1] ІІТ Гряда-301 (мережевий)", true},
    {"file key with the same name", true, "[Гряда №1] ІІТ Гряда-301 (мережевий)", false},
    {"name beginning with the model", false, "ІІТ Гряда-301 [1]", false},
    {"other media type", false, "[token0] ІІТ Алмаз-1К", false},
    {"no device", false, "", false},
};

TEST(PrivateKeyTest, GrydaIsADeviceWhoseMediaTypeIsTheModel)
{
    for (const auto& c : GrydaCases) {
        TPrivateKey key;
        key.pkIsFile = c.IsFile;
        key.pkDeviceName = c.DeviceName;
        key.pkLogin = "user";
        key.pkPassword = "secret";
        EXPECT_EQ(key.IsGryda(), c.Gryda) << c.Name;
        EXPECT_EQ(key.GetPassword(), c.Gryda ? "##user##secret" : "secret") << c.Name;
    }
}

}  // namespace
}  // namespace korvel
