#include "KeyOptions.h"

#include "CommandOptions.h"
#include "LogMark.h"

#include "signing/Sign.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <optional>
#include <stdexcept>

namespace korvel::cli {

const char* const KeyOptionsUsage =
    "--creator NAME (--file PATH | --device-type TYPE --device DEVICE | --login ID --token-env VAR) "
    "[--login USER] [--edrpou CODE] (--password-env VAR | --password-file PATH|-)";

namespace {

// What the options said, before it becomes a key.
struct TGivenOptions {
    std::optional<std::string> Creator;
    std::optional<std::string> File;
    std::optional<std::string> DeviceType;
    std::optional<std::string> Device;
    std::optional<std::string> Login;
    std::optional<std::string> TokenEnv;
    std::optional<std::string> Edrpou;
    std::optional<std::string> PasswordEnv;
    std::optional<std::string> PasswordFile;
};

struct TKeyOption {
    std::string_view Name;
    std::optional<std::string> TGivenOptions::*Value;
};

constexpr TKeyOption KeyOptions[] = {
    {"--creator", &TGivenOptions::Creator},
    {"--file", &TGivenOptions::File},
    {"--device-type", &TGivenOptions::DeviceType},
    {"--device", &TGivenOptions::Device},
    {"--login", &TGivenOptions::Login},
    {"--token-env", &TGivenOptions::TokenEnv},
    {"--edrpou", &TGivenOptions::Edrpou},
    {"--password-env", &TGivenOptions::PasswordEnv},
    {"--password-file", &TGivenOptions::PasswordFile},
};

const TKeyOption* FindKeyOption(std::string_view AName)
{
    const auto* found = std::find_if(std::begin(KeyOptions), std::end(KeyOptions),
                                     [AName](const TKeyOption& AOption) { return AOption.Name == AName; });
    return found == std::end(KeyOptions) ? nullptr : found;
}

TGivenOptions ReadGivenOptions(const std::vector<std::string>& AArgs)
{
    TGivenOptions given;
    TOptionReader reader(AArgs, 0);
    while (const auto name = reader.NextName()) {
        const TKeyOption* option = FindKeyOption(*name);
        if (!option)
            throw NotAKeyOption(*name);
        std::optional<std::string>& value = given.*(option->Value);
        if (value)
            throw EUsage(*name + " is given twice");
        value = reader.Value(*name);
        if (value->empty())
            throw EUsage(*name + " needs a value that is not empty");
    }
    return given;
}

// Checks that the options name exactly one key of one kind, with what that kind needs.
void CheckKind(const TGivenOptions& AGiven)
{
    if (!AGiven.Creator)
        throw EUsage("--creator is required: the authority that issued the key");
    if (AGiven.DeviceType.has_value() != AGiven.Device.has_value())
        throw EUsage("--device-type and --device go together");
    const int kinds = int(AGiven.File.has_value()) + int(AGiven.Device.has_value()) + int(AGiven.TokenEnv.has_value());
    if (kinds == 0)
        throw EUsage("no key named: give --file, --device-type with --device, or --login with --token-env");
    if (kinds > 1)
        throw EUsage("--file, --device-type with --device, and --token-env name different keys: give one of them");
    if (AGiven.TokenEnv && !AGiven.Login)
        throw EUsage("a cloud key needs --login: its key id or the owner's DRFO code");
    if (AGiven.File && AGiven.Login)
        throw EUsage("--login is for a device or cloud key, not a key file");
    if (AGiven.PasswordEnv && AGiven.PasswordFile)
        throw EUsage("--password-env and --password-file exclude each other");
    if (!AGiven.PasswordEnv && !AGiven.PasswordFile)
        throw EUsage("the key needs a password: --password-env VAR or --password-file PATH");
}

// A list position when AText is all decimal digits; -1 for a name.
std::int32_t IndexOf(const std::string& AOption, const std::string& AText)
{
    if (!std::all_of(AText.begin(), AText.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    const auto value = ParseInt64(AText);
    if (!value || *value > std::numeric_limits<std::int32_t>::max())
        throw EUsage(AOption + " index " + AText + " is too large");
    return static_cast<std::int32_t>(*value);
}

// The display form of a medium: "[" + device + "] " + media type.
std::string MediumText(const std::string& ADevice, const std::string& AType)
{
    return "[" + ADevice + "] " + AType;
}

// An index is kept as its plain number, so "007" and "7" name the same medium.
std::string GivenText(std::int32_t AIndex, const std::string& AName)
{
    return AIndex >= 0 ? std::to_string(AIndex) : AName;
}

std::string EnvironmentSecret(const std::string& AOption, const std::string& AVariable)
{
    const char* value = std::getenv(AVariable.c_str());
    if (!value)
        throw EUsage(AOption + ": the environment variable " + AVariable + " is not set");
    if (*value == '\0')
        throw EUsage(AOption + ": the environment variable " + AVariable + " is empty");
    return value;
}

std::string ReadWhole(std::istream& AIn)
{
    return {std::istreambuf_iterator<char>(AIn), std::istreambuf_iterator<char>()};
}

// The file's text without one trailing line end; "-" reads standard input.
std::string FileSecret(const std::string& APath)
{
    std::string text;
    if (APath == "-") {
        text = ReadWhole(std::cin);
    } else {
        std::ifstream in(APath, std::ios::binary);
        if (!in)
            throw EUsage("--password-file: cannot read \"" + APath + "\": " + std::strerror(errno));
        text = ReadWhole(in);
    }
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    if (text.empty())
        throw EUsage("--password-file: \"" + APath + "\" holds no password");
    return text;
}

// One medium that a device key's options may name.
struct TMedium {
    std::int32_t TypeIndex;
    std::int32_t DeviceIndex;
    std::string Name;
};

// Every medium whose type and device match the key's options: by index where an index was given, by name
// otherwise (the given names are those in pkDeviceName).
std::vector<TMedium> MatchingMedia(const TPrivateKey& AKey)
{
    const bool byIndices = AKey.pkTypeIndex >= 0 && AKey.pkDeviceIndex >= 0;
    std::vector<std::string> types;
    TSign::UpdateDeviceTypeList(types);
    std::vector<TMedium> found;
    for (std::int32_t type = 0; type < static_cast<std::int32_t>(types.size()); ++type) {
        if (AKey.pkTypeIndex >= 0 && type != AKey.pkTypeIndex)
            continue;
        std::vector<std::string> devices;
        TSign::UpdateDeviceList(static_cast<std::uint32_t>(type), devices);
        for (std::int32_t device = 0; device < static_cast<std::int32_t>(devices.size()); ++device) {
            if (AKey.pkDeviceIndex >= 0 && device != AKey.pkDeviceIndex)
                continue;
            const std::string given =
                MediumText(GivenText(AKey.pkDeviceIndex, devices[device]), GivenText(AKey.pkTypeIndex, types[type]));
            if (byIndices || given == AKey.pkDeviceName)
                found.push_back({type, device, MediumText(devices[device], types[type])});
        }
    }
    return found;
}

// Why a load gave false. For a file only a key container without a usable key does that, and the signer logs the
// container's error, if any, after the line that begins the file's load; a cloud key gives false only for an answer
// without a signature, which is not logged.
std::string NotLoadedReason(const TPrivateKey& AKey, const std::vector<std::string>& ALogged)
{
    const std::string prefix = "the key was not loaded: ";
    if (!AKey.pkIsFile)
        return prefix + "the cloud service's answer holds no signature";
    const auto fileLoad = std::find_if(ALogged.rbegin(), ALogged.rend(), [](const std::string& AMessage) {
        return AMessage.starts_with("Загрузка ключа із файлу ");
    });
    if (fileLoad != ALogged.rend() && fileLoad != ALogged.rbegin())
        return prefix + ALogged.back();
    return prefix + "the file holds no key that can be read";
}

}  // namespace

bool IsKeyOption(std::string_view AName)
{
    return FindKeyOption(AName) != nullptr;
}

EUsage NotAKeyOption(const std::string& AName)
{
    if (AName == "--password" || AName == "--token")
        return EUsage(AName + " is refused: every local user can read the command line; give it with " + AName +
                      "-env VAR" + (AName == "--password" ? " or --password-file PATH" : ""));
    return EUsage("unknown option " + AName);
}

TPrivateKey ParseKeyOptions(const std::vector<std::string>& AArgs)
{
    const TGivenOptions given = ReadGivenOptions(AArgs);
    CheckKind(given);
    TPrivateKey key;
    key.pkCreatorName = *given.Creator;
    key.pkLogin = given.Login.value_or("");
    key.pkEdrpou = given.Edrpou.value_or("");
    if (given.File) {
        key.pkIsFile = true;
        key.pkFileName = *given.File;
    } else if (given.Device) {
        key.pkTypeIndex = IndexOf("--device-type", *given.DeviceType);
        key.pkDeviceIndex = IndexOf("--device", *given.Device);
        key.pkDeviceName =
            MediumText(GivenText(key.pkDeviceIndex, *given.Device), GivenText(key.pkTypeIndex, *given.DeviceType));
    } else {
        key.pkToken = EnvironmentSecret("--token-env", *given.TokenEnv);
    }
    key.pkPassword =
        given.PasswordEnv ? EnvironmentSecret("--password-env", *given.PasswordEnv) : FileSecret(*given.PasswordFile);
    return key;
}

void ResolveKeyMedia(TPrivateKey& AKey)
{
    if (AKey.pkIsFile)
        return;
    const bool cloudAuthority = TSign::IsCloudKey(AKey.pkCreatorName);
    if (AKey.pkDeviceName.empty()) {
        if (!cloudAuthority)
            throw std::runtime_error("\"" + AKey.pkCreatorName +
                                     "\" is no cloud-signing authority of the authority list: its keys need --file "
                                     "or --device-type with --device");
        return;
    }
    // The signer would take such a key for a cloud key and never look at the device.
    if (cloudAuthority)
        throw std::runtime_error(
            "\"" + AKey.pkCreatorName +
            "\" is a cloud-signing authority: its keys take --login and --token-env, not a device");
    const std::vector<TMedium> media = MatchingMedia(AKey);
    const std::string named =
        AKey.pkTypeIndex >= 0 && AKey.pkDeviceIndex >= 0
            ? "type " + std::to_string(AKey.pkTypeIndex) + ", device " + std::to_string(AKey.pkDeviceIndex)
            : "\"" + AKey.pkDeviceName + "\" ([DEVICE] TYPE as given)";
    if (media.empty())
        throw std::runtime_error("no key medium matches " + named + " (korvelctl sign --list-media lists them)");
    if (media.size() > 1)
        throw std::runtime_error("more than one key medium matches " + named + ": give their indices");
    AKey.pkTypeIndex = media[0].TypeIndex;
    AKey.pkDeviceIndex = media[0].DeviceIndex;
    AKey.pkDeviceName = media[0].Name;
}

std::shared_ptr<TSign> LoadKey(const TPrivateKey& AKey)
{
    auto sign = std::make_shared<TSign>();
    const TLogMark mark;
    if (!sign->InitialKey(AKey))
        throw std::runtime_error(NotLoadedReason(AKey, mark.MessagesSince()));
    return sign;
}

}  // namespace korvel::cli
