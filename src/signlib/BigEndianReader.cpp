#include "signlib/BigEndianReader.h"

#include "signlib/SignLibraryError.h"

namespace korvel::signlib {

TBigEndianReader::TBigEndianReader(std::string_view ABytes, unsigned long AErrorCode)
    : FBytes(ABytes), FErrorCode(AErrorCode)
{
}

std::uint16_t TBigEndianReader::U16()
{
    return static_cast<std::uint16_t>(Unsigned(2));
}

std::uint32_t TBigEndianReader::U32()
{
    return static_cast<std::uint32_t>(Unsigned(4));
}

std::uint64_t TBigEndianReader::U64()
{
    return Unsigned(8);
}

std::string_view TBigEndianReader::Bytes(std::size_t ACount)
{
    if (ACount > Remaining())
        Fail(FErrorCode, "field runs past the end of the data");
    const std::string_view bytes = FBytes.substr(FPosition, ACount);
    FPosition += ACount;
    return bytes;
}

std::uint64_t TBigEndianReader::Unsigned(std::size_t ASize)
{
    std::uint64_t value = 0;
    for (const char byte : Bytes(ASize))
        value = (value << 8) | static_cast<unsigned char>(byte);
    return value;
}

}  // namespace korvel::signlib
