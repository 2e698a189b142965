// The library's lifecycle, settings, error descriptions, contexts and base64.

#include "KeyTestSupport.h"

#include "foundation/TextCodec.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

namespace korvel::test {
namespace {

struct NamedOperation {
    const char* Name;
    std::function<unsigned long()> Call;
};

std::vector<NamedOperation> OperationsNeedingTheLibrary()
{
    static int flag = 0;
    static void* handle = nullptr;
    static char* text = nullptr;
    static unsigned char* bytes = nullptr;
    static unsigned long length = 0;
    static EU_CERT_INFO_EX* info = nullptr;
    static const unsigned char data[] = {1, 2, 3};
    return {
        {"EUGetModeSettings", [] { return EUGetModeSettings(&flag); }},
        {"EUSetModeSettings", [] { return EUSetModeSettings(0); }},
        {"EUSetFileStoreSettings", [] { return EUSetFileStoreSettings("/tmp", 0, 1, 0, 0, 0, 1, 3600); }},
        {"EUSetCMPSettings", [] { return EUSetCMPSettings(1, "ca.example", "80", "CA"); }},
        {"EUSetTSPSettings", [] { return EUSetTSPSettings(1, "ca.example", "80"); }},
        {"EUSetOCSPSettings", [] { return EUSetOCSPSettings(1, 1, "ca.example", "80"); }},
        {"EUSetProxySettings", [] { return EUSetProxySettings(0, 0, "", "", "", "", 0); }},
        {"EUSetLDAPSettings", [] { return EUSetLDAPSettings(0, "", "", 0, "", ""); }},
        {"EUCtxCreate", [] { return EUCtxCreate(&handle); }},
        {"EUCtxReadPrivateKeyFile", [] { return EUCtxReadPrivateKeyFile(&flag, "key.pfx", "1", &handle, nullptr); }},
        {"EUCtxReadPrivateKeyBinary",
         [] { return EUCtxReadPrivateKeyBinary(&flag, data, sizeof data, "1", &handle, nullptr); }},
        {"EUCtxEnumOwnCertificates", [] { return EUCtxEnumOwnCertificates(&flag, 0, &info, &bytes, &length); }},
        {"EUEnumJKSPrivateKeysFile", [] { return EUEnumJKSPrivateKeysFile("key.jks", 0, &text); }},
        {"EUGetJKSPrivateKeyFile",
         [] { return EUGetJKSPrivateKeyFile("key.jks", "a", &bytes, &length, nullptr, nullptr, nullptr); }},
        {"EUBASE64Encode", [] { return EUBASE64Encode(data, sizeof data, &text); }},
        {"EUCtxSignData",
         [] { return EUCtxSignData(handle, EU_SIGN_ALGO_DEFAULT, data, sizeof data, 0, 1, &bytes, &length); }},
        {"EUCtxSignHashValue",
         [] { return EUCtxSignHashValue(handle, EU_SIGN_ALGO_DEFAULT, data, sizeof data, 1, &bytes, &length); }},
        {"EUSetRuntimeParameter", [] { return EUSetRuntimeParameter("SignType", &flag, sizeof flag); }},
    };
}

TEST(SignLibraryLifecycle, EveryOperationBeforeInitializeSaysNotInitialized)
{
    EUFinalize();
    for (const auto& operation : OperationsNeedingTheLibrary())
        EXPECT_EQ(operation.Call(), EU_ERROR_NOT_INITIALIZED) << operation.Name;
}

TEST(SignLibraryLifecycle, FinalizeEndsWhatInitializeStarted)
{
    ASSERT_EQ(EUInitialize(), EU_ERROR_NONE);
    ASSERT_EQ(EUInitialize(), EU_ERROR_NONE) << "a second start is harmless";
    void* context = nullptr;
    ASSERT_EQ(EUCtxCreate(&context), EU_ERROR_NONE);
    EXPECT_NE(context, nullptr);
    EUCtxFree(context);

    EUFinalize();
    for (const auto& operation : OperationsNeedingTheLibrary())
        EXPECT_EQ(operation.Call(), EU_ERROR_NOT_INITIALIZED) << operation.Name;
    EXPECT_EQ(EUInitialize(), EU_ERROR_NONE) << "the library starts again after an end";
    EUFinalize();
}

TEST(SignLibraryLifecycle, ModeSettingsAreKeptUntilFinalize)
{
    ASSERT_EQ(EUInitialize(), EU_ERROR_NONE);
    int offline = -1;
    ASSERT_EQ(EUGetModeSettings(&offline), EU_ERROR_NONE);
    EXPECT_EQ(offline, 0);
    ASSERT_EQ(EUSetModeSettings(1), EU_ERROR_NONE);
    EUSetUIMode(0);
    ASSERT_EQ(EUGetModeSettings(&offline), EU_ERROR_NONE);
    EXPECT_EQ(offline, 1);
    EXPECT_EQ(EUGetModeSettings(nullptr), EU_ERROR_BAD_PARAMETER);

    EUFinalize();
    ASSERT_EQ(EUInitialize(), EU_ERROR_NONE);
    ASSERT_EQ(EUGetModeSettings(&offline), EU_ERROR_NONE);
    EXPECT_EQ(offline, 0) << "a new start begins with the defaults";
    EUFinalize();
}

TEST(SignLibraryLifecycle, SettingsAcceptMissingTexts)
{
    ASSERT_EQ(EUInitialize(), EU_ERROR_NONE);
    EXPECT_EQ(EUSetFileStoreSettings(nullptr, 0, 0, 0, 0, 0, 0, 0), EU_ERROR_NONE);
    EXPECT_EQ(EUSetCMPSettings(1, nullptr, nullptr, nullptr), EU_ERROR_NONE);
    EXPECT_EQ(EUSetTSPSettings(1, nullptr, nullptr), EU_ERROR_NONE);
    EXPECT_EQ(EUSetOCSPSettings(1, 1, nullptr, nullptr), EU_ERROR_NONE);
    EXPECT_EQ(EUSetProxySettings(0, 0, nullptr, nullptr, nullptr, nullptr, 0), EU_ERROR_NONE);
    EXPECT_EQ(EUSetLDAPSettings(0, nullptr, nullptr, 0, nullptr, nullptr), EU_ERROR_NONE);
    EUFinalize();
}

TEST(SignLibraryErrors, EveryCodeHasItsOwnUkrainianDescription)
{
    std::set<std::string> seen;
    for (unsigned long code = EU_ERROR_NONE; code <= EU_ERROR_JKS_ALIAS_NOT_FOUND; ++code) {
        const std::string description = EUGetErrorLangDesc(code, EU_LANG_UA);
        EXPECT_FALSE(description.empty()) << code;
        EXPECT_TRUE(seen.insert(description).second) << "code " << code << " repeats a description";
    }
}

TEST(SignLibraryErrors, DescriptionsAreWindows1251Text)
{
    struct Case {
        unsigned long Code;
        const char* Utf8;
    };
    const Case cases[] = {
        {EU_ERROR_BAD_PASSWORD, "Невірний пароль до особистого ключа"},
        {EU_ERROR_BAD_KEY_FORMAT, "Невідомий формат файлу особистого ключа"},
        {EU_ERROR_KEY_DAMAGED, "Файл особистого ключа пошкоджено"},
        {EU_ERROR_FILE_NOT_FOUND, "Файл не знайдено"},
        {EU_ERROR_CERT_NOT_FOUND, "Сертифікат особистого ключа не знайдено"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(EUGetErrorLangDesc(c.Code, EU_LANG_UA)), Utf8ToAnsi(c.Utf8)) << c.Code;
        EXPECT_EQ(std::string(EUGetErrorLangDesc(c.Code, 2)), Utf8ToAnsi(c.Utf8)) << "other languages: the same";
    }
}

TEST(SignLibraryErrors, UnknownCodeIsDescribedAsUnknownError)
{
    EXPECT_STREQ(EUGetErrorLangDesc(999, EU_LANG_UA), EUGetErrorLangDesc(EU_ERROR_UNKNOWN, EU_LANG_UA));
}

class SignLibraryContextTest : public SignLibraryTest {};

std::string Repeat(const std::string& text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

TEST_F(SignLibraryContextTest, Base64IsOneLineOfTheStandardAlphabet)
{
    struct Case {
        std::string Bytes;
        std::string Text;
    };
    const Case cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foobar", "Zm9vYmFy"},
        {"\xfb\xff\xfe", "+//+"},
        {std::string(60, 'a'), Repeat("YWFh", 20)},  // 80 characters: longer than a MIME line, still one
    };
    for (const Case& c : cases) {
        char* text = nullptr;
        ASSERT_EQ(EUBASE64Encode(reinterpret_cast<const unsigned char*>(c.Bytes.data()),
                                 static_cast<unsigned long>(c.Bytes.size()), &text),
                  EU_ERROR_NONE);
        EXPECT_EQ(std::string(text), c.Text);
        EUFreeMemory(text);
    }
}

TEST_F(SignLibraryContextTest, MissingArgumentsAreBadParameters)
{
    char* text = nullptr;
    EXPECT_EQ(EUBASE64Encode(nullptr, 3, &text), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(EUBASE64Encode(reinterpret_cast<const unsigned char*>("abc"), 3, nullptr), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(EUCtxCreate(nullptr), EU_ERROR_BAD_PARAMETER);
    void* key = nullptr;
    EXPECT_EQ(EUCtxReadPrivateKeyFile(nullptr, "key.pfx", "1", &key, nullptr), EU_ERROR_BAD_PARAMETER)
        << "no library context";
    EXPECT_EQ(EUCtxReadPrivateKeyFile(FContext, nullptr, "1", &key, nullptr), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(EUCtxReadPrivateKeyBinary(FContext, nullptr, 0, "1", &key, nullptr), EU_ERROR_BAD_PARAMETER);
    EU_CERT_INFO_EX* info = nullptr;
    EXPECT_EQ(EUCtxEnumOwnCertificates(nullptr, 0, &info, nullptr, nullptr), EU_ERROR_BAD_PARAMETER);
    EXPECT_EQ(EUEnumJKSPrivateKeysFile(nullptr, 0, &text), EU_ERROR_BAD_PARAMETER);
}

TEST_F(SignLibraryContextTest, FreeingNothingIsHarmless)
{
    EUCtxFree(nullptr);
    EUCtxFreePrivateKey(nullptr);
    EUCtxFreeMemory(FContext, nullptr);
    EUFreeMemory(nullptr);
    EUCtxFreeCertOwnerInfo(FContext, nullptr);
    EUCtxFreeCertificateInfoEx(nullptr, nullptr);
}

}  // namespace
}  // namespace korvel::test
