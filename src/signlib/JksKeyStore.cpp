#include "signlib/JksKeyStore.h"

#include "foundation/TextCodec.h"
#include "signlib/BigEndianReader.h"
#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <algorithm>
#include <cstdint>

namespace korvel::signlib {

namespace {

constexpr std::uint32_t Magic = 0xFEEDFEED;
constexpr std::uint32_t PrivateKeyTag = 1;
constexpr std::uint32_t TrustedCertificateTag = 2;
constexpr std::size_t CheckValueSize = 20;
constexpr char16_t ReplacementChar = 0xFFFD;

// Java's modified UTF-8: standard UTF-8 up to three bytes, with U+0000 as C0 80 and characters
// beyond the BMP as two encoded surrogates. Malformed bytes become U+FFFD.
std::string ModifiedUtf8ToUtf8(std::string_view ABytes)
{
    std::u16string units;
    for (std::size_t i = 0; i < ABytes.size();) {
        const auto lead = static_cast<unsigned char>(ABytes[i]);
        const auto next = [&](std::size_t AOffset) {
            return i + AOffset < ABytes.size() ? static_cast<unsigned char>(ABytes[i + AOffset]) : 0;
        };
        if (lead < 0x80) {
            units += static_cast<char16_t>(lead);
            i += 1;
        } else if ((lead & 0xE0) == 0xC0 && (next(1) & 0xC0) == 0x80) {
            units += static_cast<char16_t>(((lead & 0x1F) << 6) | (next(1) & 0x3F));
            i += 2;
        } else if ((lead & 0xF0) == 0xE0 && (next(1) & 0xC0) == 0x80 && (next(2) & 0xC0) == 0x80) {
            units += static_cast<char16_t>(((lead & 0x0F) << 12) | ((next(1) & 0x3F) << 6) | (next(2) & 0x3F));
            i += 3;
        } else {
            units += ReplacementChar;
            i += 1;
        }
    }
    return Utf16ToUtf8(units);
}

std::string ReadText(TBigEndianReader& AReader)
{
    return ModifiedUtf8ToUtf8(AReader.Bytes(AReader.U16()));
}

std::string_view ReadCertificate(TBigEndianReader& AReader, std::uint32_t AVersion, bool& AIsX509)
{
    AIsX509 = AVersion == 1 || ReadText(AReader) == "X.509";
    return AReader.Bytes(AReader.U32());
}

TJksPrivateKeyEntry ReadPrivateKeyEntry(TBigEndianReader& AReader, std::uint32_t AVersion)
{
    TJksPrivateKeyEntry entry;
    entry.Alias = ReadText(AReader);
    AReader.U64();  // creation date
    entry.ProtectedKey = AReader.Bytes(AReader.U32());
    // The count comes from the file: nothing is reserved for it, every certificate is read first.
    const std::uint32_t count = AReader.U32();
    for (std::uint32_t i = 0; i < count; ++i) {
        bool isX509 = false;
        const std::string_view certificate = ReadCertificate(AReader, AVersion, isX509);
        if (isX509)
            entry.Chain.push_back(certificate);
    }
    return entry;
}

void SkipTrustedCertificateEntry(TBigEndianReader& AReader, std::uint32_t AVersion)
{
    ReadText(AReader);
    AReader.U64();
    bool isX509 = false;
    ReadCertificate(AReader, AVersion, isX509);
}

char AsciiLower(char ACharacter)
{
    return ACharacter >= 'A' && ACharacter <= 'Z' ? static_cast<char>(ACharacter - 'A' + 'a') : ACharacter;
}

bool SameAlias(std::string_view AFirst, std::string_view ASecond)
{
    return std::equal(AFirst.begin(), AFirst.end(), ASecond.begin(), ASecond.end(),
                      [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

}  // namespace

bool IsJksKeyStore(std::string_view ABytes)
{
    return ABytes.size() >= 4 && static_cast<unsigned char>(ABytes[0]) == 0xFE &&
           static_cast<unsigned char>(ABytes[1]) == 0xED && static_cast<unsigned char>(ABytes[2]) == 0xFE &&
           static_cast<unsigned char>(ABytes[3]) == 0xED;
}

TJksKeyStore ParseJksKeyStore(std::string_view ABytes)
{
    TBigEndianReader reader(ABytes, EU_ERROR_JKS_FORMAT);
    if (reader.U32() != Magic)
        Fail(EU_ERROR_JKS_FORMAT, "not a JKS key store");
    const std::uint32_t version = reader.U32();
    if (version != 1 && version != 2)
        Fail(EU_ERROR_JKS_FORMAT, "unknown JKS version");
    TJksKeyStore store;
    const std::uint32_t count = reader.U32();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t tag = reader.U32();
        if (tag == PrivateKeyTag)
            store.PrivateKeys.push_back(ReadPrivateKeyEntry(reader, version));
        else if (tag == TrustedCertificateTag)
            SkipTrustedCertificateEntry(reader, version);
        else
            Fail(EU_ERROR_JKS_FORMAT, "unknown JKS entry");
    }
    if (reader.Remaining() < CheckValueSize)
        Fail(EU_ERROR_JKS_FORMAT, "JKS check value missing");
    return store;
}

const TJksPrivateKeyEntry* FindJksPrivateKey(const TJksKeyStore& AStore, std::string_view AAlias)
{
    const auto found = std::find_if(AStore.PrivateKeys.begin(), AStore.PrivateKeys.end(),
                                    [&](const TJksPrivateKeyEntry& AEntry) { return SameAlias(AEntry.Alias, AAlias); });
    return found == AStore.PrivateKeys.end() ? nullptr : &*found;
}

std::string JksKeyBytes(const TJksPrivateKeyEntry& AEntry)
{
    std::string bytes(AEntry.ProtectedKey);
    for (const std::string_view certificate : AEntry.Chain)
        bytes += certificate;
    return bytes;
}

}  // namespace korvel::signlib
