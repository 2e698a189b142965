#pragma once

// Reads big-endian fields from untrusted bytes; never past their end.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvel::signlib {

class TBigEndianReader {
public:
    // Every read past the end throws AErrorCode.
    TBigEndianReader(std::string_view ABytes, unsigned long AErrorCode);

    std::uint16_t U16();
    std::uint32_t U32();
    std::uint64_t U64();
    // The next ACount bytes, a view into the bytes given.
    std::string_view Bytes(std::size_t ACount);
    std::size_t Remaining() const { return FBytes.size() - FPosition; }

private:
    std::uint64_t Unsigned(std::size_t ASize);

    std::string_view FBytes;
    std::size_t FPosition = 0;
    unsigned long FErrorCode;
};

}  // namespace korvel::signlib
