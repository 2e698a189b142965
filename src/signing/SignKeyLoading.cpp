#include "signing/Sign.h"

#include "foundation/DateTime.h"
#include "foundation/Log.h"
#include "foundation/TextCodec.h"
#include "signing/AnsiSecret.h"
#include "signing/LibraryError.h"
#include "signing/SignState.h"

#include <openssl/crypto.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace korvel {

namespace {

// Only this spelling marks a JKS container; ".JKS" is read as an ordinary key file.
const std::string JksExtension = ".jks";
// A container's aliases are looked at up to this many.
constexpr unsigned long MaxJksAliases = 52;
// The device password field, without its terminating zero.
constexpr std::size_t MaxDevicePasswordBytes = EU_KEY_MEDIA_PASSWORD_SIZE - 1;

const std::string NotInitialised = "Не ініціалізована бібліотека підпису";
const std::string DevicePasswordTooLong =
    "ReadKeyFromDevice:Пароль до носія ключа довший за " + std::to_string(MaxDevicePasswordBytes) + " байти";

[[noreturn]] void Raise(const std::string& AMessage)
{
    throw std::runtime_error(AMessage);
}

const TEUSignInterface& Library()
{
    const TEUSignInterface* library = SignState().CPInterface;
    if (!library)
        Raise(NotInitialised);
    return *library;
}

// From the last dot of the file's own name; "" without one.
std::string FileExtension(const std::string& AFileName)
{
    const auto dot = AFileName.rfind('.');
    const auto slash = AFileName.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return AFileName.substr(dot);
}

bool FileExists(const std::string& AFileName)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(AFileName), error);
}

std::string TextOf(const char* AAnsi)
{
    return AAnsi ? AnsiToUtf8(AAnsi) : std::string();
}

// The library's times are UTC; the program's date-times are local. An unset time is no date.
TDateTime LocalDateTimeOf(const EU_TIME& ATime)
{
    if (ATime.wYear == 0)
        return 0;
    return DateTimeFromTimePoint(TimePointFromUtcParts(
        {ATime.wYear, ATime.wMonth, ATime.wDay, ATime.wHour, ATime.wMinute, ATime.wSecond, ATime.wMilliseconds}));
}

TCertInfoRec CertInfoOf(const EU_CERT_INFO_EX& AInfo)
{
    TCertInfoRec info;
    info.Serial = TextOf(AInfo.pszSerial);
    info.SubjFullName = TextOf(AInfo.pszSubjFullName);
    info.SubjOrg = TextOf(AInfo.pszSubjOrg);
    info.SubjDRFOCode = TextOf(AInfo.pszSubjDRFOCode);
    info.SubjEDRPOUCode = TextOf(AInfo.pszSubjEDRPOUCode);
    info.CertEndTime = LocalDateTimeOf(AInfo.stCertEndTime);
    return info;
}

// The device's key as the library takes it; false when the password does not fit the field.
bool FillKeyMedia(const TPrivateKey& APrivateKey, EU_KEY_MEDIA& AMedia)
{
    std::string combined = APrivateKey.GetPassword();
    const TAnsiSecret password(combined);
    WipeText(combined);
    if (password.Size() > MaxDevicePasswordBytes)
        return false;
    AMedia.dwTypeIndex = static_cast<unsigned long>(APrivateKey.pkTypeIndex);
    AMedia.dwDevIndex = static_cast<unsigned long>(APrivateKey.pkDeviceIndex);
    std::memcpy(AMedia.szPassword, password.CStr(), password.Size());
    return true;
}

}  // namespace

bool TSign::InitialKey(const TPrivateKey& APrivateKey)
{
    std::lock_guard lock(FSignLock);
    if (!SignState().CPInterface)
        Raise(NotInitialised);
    SetCreatorSettings(APrivateKey.pkCreatorName);
    CreateContext();
    if (!CheckPrivateKey(APrivateKey))
        Raise("ERROR. Не всі поля заповнені.");
    if (!ReadKey(APrivateKey))
        return false;
    FPrivateKey = APrivateKey;
    TLog::Log("Ключ загружений успішно (" + FCertInfoRec.Serial + ")");
    return true;
}

bool TSign::IsCloudPrivateKey(const TPrivateKey& APrivateKey)
{
    return IsCloudKey(APrivateKey.pkCreatorName) && !APrivateKey.pkIsFile;
}

void TSign::CreateContext()
{
    // A signer loads one key; whatever an earlier attempt left is released first.
    FreeKeyContext();
    void* context = nullptr;
    const unsigned long code = Library().CtxCreate(&context);
    if (code != EU_ERROR_NONE)
        Raise(LibraryError("CtxCreate: ", code));
    Context = context;
}

bool TSign::CheckPrivateKey(const TPrivateKey& APrivateKey)
{
    auto refuse = [](const std::string& AMessage) {
        TLog::Log(AMessage);
        return false;
    };
    if (APrivateKey.pkCreatorName.empty())
        return refuse("АЦСК не вказаний");
    if (APrivateKey.pkPassword.empty())
        return refuse("Для приватного ключа не вказаний пароль");
    if (IsCloudPrivateKey(APrivateKey))
        return !APrivateKey.pkLogin.empty() || refuse("Для приватного ключа не вказаний користувач (логін)");
    if (APrivateKey.pkIsFile)
        return !APrivateKey.pkFileName.empty() || refuse("Файл з приватним ключом не обрано");
    return !APrivateKey.pkDeviceName.empty() || refuse("Приватний ключ не обрано");
}

bool TSign::ReadKey(const TPrivateKey& APrivateKey)
{
    if (IsCloudPrivateKey(APrivateKey))
        return !CloudSign(APrivateKey, "Test", true, false, EU_SIGN_TYPE_CADES_T).empty();
    return APrivateKey.pkIsFile ? ReadKeyFromFile(APrivateKey) : ReadKeyFromDevice(APrivateKey);
}

bool TSign::ReadKeyFromFile(const TPrivateKey& APrivateKey)
{
    const std::string& fileName = APrivateKey.pkFileName;
    TLog::Log("Загрузка ключа із файлу " + fileName);
    if (!FileExists(fileName)) {
        FreeKeyContext();
        Raise("Відсутній файл " + fileName);
    }
    const TEUSignInterface& library = Library();
    const TAnsiSecret password(APrivateKey.pkPassword);
    void* key = nullptr;
    EU_CERT_OWNER_INFO owner{};
    unsigned long code = EU_ERROR_NONE;
    if (FileExtension(fileName) == JksExtension) {
        const auto keyData = GetJKSKeyData(fileName);
        if (!keyData)
            return false;
        code = library.CtxReadPrivateKeyBinary(Context, keyData->Data.get(), keyData->Length, password.CStr(), &key,
                                               &owner);
    } else {
        code = library.CtxReadPrivateKeyFile(Context, Utf8ToAnsi(fileName).c_str(), password.CStr(), &key, &owner);
    }
    if (code != EU_ERROR_NONE)
        FailKeyRead("ReadKeyFromFile: ", code);
    Key = key;
    library.CtxFreeCertOwnerInfo(Context, &owner);
    ReadCertificateData();
    return true;
}

std::string TSign::GetJKSKeyAlias(const std::string& AFileName)
{
    const TEUSignInterface& library = Library();
    const std::string file = Utf8ToAnsi(AFileName);
    std::string first;
    for (unsigned long index = 0; index < MaxJksAliases; ++index) {
        char* alias = nullptr;
        const unsigned long code = library.EnumJKSPrivateKeysFile(file.c_str(), index, &alias);
        const TLibraryMemory<char> owned(alias, {&library});
        if (code == EU_WARNING_END_OF_ENUM)
            break;
        if (code != EU_ERROR_NONE) {
            // A container that cannot be listed whole is not trusted for its first key either.
            TLog::Log(LibraryError("Помилка при отриманні списку ключів. Опис помилки: ", code));
            return {};
        }
        if (index == 0)
            first = TextOf(alias);
    }
    return first;
}

std::optional<TLibraryBytes> TSign::GetJKSKeyData(const std::string& AFileName)
{
    const std::string alias = GetJKSKeyAlias(AFileName);
    if (alias.empty())
        return std::nullopt;
    const TEUSignInterface& library = Library();
    unsigned char* bytes = nullptr;
    unsigned long length = 0;
    const unsigned long code = library.GetJKSPrivateKeyFile(Utf8ToAnsi(AFileName).c_str(), Utf8ToAnsi(alias).c_str(),
                                                            &bytes, &length, nullptr, nullptr, nullptr);
    TLibraryBytes keyData{TLibraryMemory<unsigned char>(bytes, {&library}), length};
    if (code != EU_ERROR_NONE) {
        TLog::Log(LibraryError("*Помилка при отриманні основних даних. Опис помилки: ", code));
        return std::nullopt;
    }
    return keyData;
}

bool TSign::ReadKeyFromDevice(const TPrivateKey& APrivateKey)
{
    TLog::Log("Загрузка ключа із device " + APrivateKey.pkDeviceName);
    const TEUSignInterface& library = Library();
    EU_KEY_MEDIA media{};
    const TOnScopeExit wipe([&media] { OPENSSL_cleanse(&media, sizeof media); });
    // A cut password would only be refused by the device, and count against its attempts.
    if (!FillKeyMedia(APrivateKey, media)) {
        FreeKeyContext();
        Raise(DevicePasswordTooLong);
    }
    void* key = nullptr;
    EU_CERT_OWNER_INFO owner{};
    const unsigned long code = library.CtxReadPrivateKey(Context, &media, &key, &owner);
    if (code != EU_ERROR_NONE)
        FailKeyRead("ReadKeyFromDevice:", code);
    Key = key;
    library.CtxFreeCertOwnerInfo(Context, &owner);
    ReadCertificateData();
    return true;
}

void TSign::ReadCertificateData()
{
    const TEUSignInterface& library = Library();
    EU_CERT_INFO_EX* info = nullptr;
    unsigned char* certificate = nullptr;
    unsigned long length = 0;
    unsigned long code = library.CtxEnumOwnCertificates(Key, 0, &info, &certificate, &length);
    {
        void* key = Key;
        void* context = Context;
        const TOnScopeExit release([&] {
            if (info)
                library.CtxFreeCertificateInfoEx(key, info);
            if (certificate)
                library.CtxFreeMemory(context, certificate);
        });
        if (code == EU_ERROR_NONE && info) {
            FCertInfoRec = CertInfoOf(*info);
            return;
        }
    }
    // A key whose certificate cannot be named cannot be announced or found by requests.
    FailKeyRead("CtxEnumOwnCertificates: ", code == EU_ERROR_NONE ? EU_ERROR_UNKNOWN : code);
}

void TSign::FailKeyRead(const std::string& APrefix, unsigned long ACode)
{
    const std::string message = LibraryError(APrefix, ACode);
    FreeKeyContext();
    Raise(message);
}

}  // namespace korvel
