// korvelctl sign: loads one key as the program does and signs with it, to check a key and its password, the
// authority's servers and the signing library; "--list-media" shows the key media the library offers. The
// program's log lines appear on stderr as they are logged; what was asked for goes to stdout.

#include "CommandOptions.h"
#include "CommandRegistry.h"
#include "ConsoleLog.h"
#include "KeyOptions.h"
#include "LogMark.h"
#include "SignLibrarySession.h"

#include "foundation/Base64.h"
#include "foundation/DateTime.h"
#include "signing/AnsiSecret.h"
#include "signing/Sign.h"

#include <cstdio>
#include <iostream>
#include <stdexcept>

namespace korvel::cli {

namespace {

int RunSign(const std::vector<std::string>& AArgs);

const std::string SignUsage = std::string("sign ") + KeyOptionsUsage +
                              " [--data BASE64] [--hash] [--sign-type N] [--content-timestamp] [--signature-only]\n"
                              "sign --list-media";

const TCommandGroup SignGroup{"sign", SignUsage, RunSign};

[[maybe_unused]] const bool Registered = RegisterCommandGroup(SignGroup);

// The text "TEST", as base64.
constexpr const char* DefaultData = "VEVTVA==";
// CAdES-T, as the program's own test signature.
constexpr std::int64_t DefaultSignType = 4;
constexpr std::size_t Sha256Size = 32;

struct TSignOptions {
    std::vector<std::string> KeyArgs;
    std::string Data = DefaultData;
    bool DataGiven = false;
    bool Hash = false;
    std::int64_t SignType = DefaultSignType;
    bool ContentTimeStamp = false;
    bool SignatureOnly = false;
    bool ListMedia = false;
};

// The command's own options, and the key's options gathered for the key's parser.
TSignOptions ReadSignOptions(const std::vector<std::string>& AArgs)
{
    TSignOptions options;
    TOptionReader reader(AArgs, 0);
    while (const auto name = reader.NextName()) {
        if (*name == "--data") {
            options.Data = reader.Value(*name);
            options.DataGiven = true;
        } else if (*name == "--hash") {
            options.Hash = true;
        } else if (*name == "--sign-type") {
            const auto type = ParseInt64(reader.Value(*name));
            if (!type)
                throw EUsage("--sign-type needs a whole number");
            options.SignType = *type;
        } else if (*name == "--content-timestamp") {
            options.ContentTimeStamp = true;
        } else if (*name == "--signature-only") {
            options.SignatureOnly = true;
        } else if (*name == "--list-media") {
            options.ListMedia = true;
        } else if (IsKeyOption(*name)) {
            options.KeyArgs.push_back(*name);
            options.KeyArgs.push_back(reader.Value(*name));
        } else {
            throw NotAKeyOption(*name);
        }
    }
    if (options.ListMedia && AArgs.size() > 1)
        throw EUsage("--list-media takes no other option");
    if (options.Hash && !options.DataGiven)
        throw EUsage("--hash needs --data: the base64 of a SHA-256 value");
    if (options.Hash && Base64Decode(options.Data).size() != Sha256Size)
        throw EUsage("--hash needs --data with the base64 of a SHA-256 value (32 bytes)");
    return options;
}

std::string DateTimeText(TDateTime AValue)
{
    if (AValue == 0)
        return {};
    const TDateTimeParts parts = DecodeDateTime(AValue);
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", parts.Day, parts.Month, parts.Year, parts.Hour,
                  parts.Minute, parts.Second);
    return text;
}

void PrintCertificate(const TCertInfoRec& AInfo)
{
    std::cout << "serial: " << AInfo.Serial << '\n'
              << "full name: " << AInfo.SubjFullName << '\n'
              << "organisation: " << AInfo.SubjOrg << '\n'
              << "DRFO: " << AInfo.SubjDRFOCode << '\n'
              << "EDRPOU: " << AInfo.SubjEDRPOUCode << '\n'
              << "valid until: " << DateTimeText(AInfo.CertEndTime) << '\n';
}

void PrintMedia()
{
    std::vector<std::string> types;
    TSign::UpdateDeviceTypeList(types);
    if (types.empty())
        std::cerr << "korvelctl sign: the signing library offers no key media\n";
    for (std::size_t type = 0; type < types.size(); ++type) {
        std::cout << "type " << type << ": " << types[type] << '\n';
        std::vector<std::string> devices;
        TSign::UpdateDeviceList(static_cast<std::uint32_t>(type), devices);
        for (std::size_t device = 0; device < devices.size(); ++device)
            std::cout << "  device " << device << ": " << devices[device] << '\n';
    }
}

// The signer reports a failed signature only in the log: its last line is the reason.
std::string NotSignedReason(const TLogMark& AMark)
{
    const std::vector<std::string> logged = AMark.MessagesSince();
    return "signing failed" + (logged.empty() ? std::string() : ": " + logged.back());
}

int SignWithKey(TPrivateKey& AKey, const TSignOptions& AOptions)
{
    ResolveKeyMedia(AKey);
    const std::shared_ptr<TSign> sign = LoadKey(AKey);
    WipeText(AKey.pkPassword);
    if (!AOptions.SignatureOnly)
        PrintCertificate(sign->CertInfo());
    const TLogMark mark;
    const std::int32_t contentTimeStamp = AOptions.ContentTimeStamp ? 1 : 0;
    const std::string signature = AOptions.Hash ? sign->SignHash(AOptions.Data, AOptions.SignType, contentTimeStamp)
                                                : sign->SignData(AOptions.Data, AOptions.SignType, contentTimeStamp);
    if (signature.empty())
        throw std::runtime_error(NotSignedReason(mark));
    std::cout << (AOptions.SignatureOnly ? "" : "signature: ") << signature << '\n';
    return ExitOk;
}

int RunSign(const std::vector<std::string>& AArgs)
{
    TSignOptions options;
    TPrivateKey key;
    try {
        options = ReadSignOptions(AArgs);
        if (!options.ListMedia)
            key = ParseKeyOptions(options.KeyArgs);
    } catch (const EUsage& error) {
        return ReportUsage(SignGroup, error);
    }
    // Declared in this order so that the signer is gone before the library ends, and the library's last line is
    // shown before the log is detached.
    const TConsoleLog console;
    const TSignLibrarySession library;
    if (options.ListMedia) {
        PrintMedia();
        return ExitOk;
    }
    return SignWithKey(key, options);
}

}  // namespace

}  // namespace korvel::cli
