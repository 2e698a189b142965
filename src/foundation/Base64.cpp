#include "foundation/Base64.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

namespace korvel {

namespace {

constexpr size_t LineLength = 76;
constexpr size_t ChunkBytes = size_t{3} * 1024 * 1024;  // keeps every EVP call's length well inside an int

bool InAlphabet(char AChar)
{
    return (AChar >= 'A' && AChar <= 'Z') || (AChar >= 'a' && AChar <= 'z') || (AChar >= '0' && AChar <= '9') ||
           AChar == '+' || AChar == '/';
}

}  // namespace

std::string Base64EncodeLine(std::string_view ABytes)
{
    std::string result;
    result.reserve((ABytes.size() + 2) / 3 * 4);
    for (size_t pos = 0; pos < ABytes.size(); pos += ChunkBytes) {
        const size_t n = std::min(ChunkBytes, ABytes.size() - pos);
        const size_t at = result.size();
        result.resize(at + (n + 2) / 3 * 4 + 1);  // EVP_EncodeBlock writes a NUL after the text
        const int written =
            EVP_EncodeBlock(reinterpret_cast<unsigned char*>(result.data() + at),
                            reinterpret_cast<const unsigned char*>(ABytes.data() + pos), static_cast<int>(n));
        result.resize(at + static_cast<size_t>(written));
    }
    return result;
}

std::string Base64Encode(std::string_view ABytes)
{
    std::string line = Base64EncodeLine(ABytes);
    if (line.size() <= LineLength)
        return line;
    std::string result;
    result.reserve(line.size() + line.size() / LineLength * 2);
    for (size_t pos = 0; pos < line.size(); pos += LineLength) {
        if (pos > 0)
            result += "\r\n";
        result.append(line, pos, LineLength);
    }
    return result;
}

std::string Base64EncodeClosedLines(std::string_view ABytes)
{
    std::string result = Base64Encode(ABytes);
    const size_t characters = (ABytes.size() + 2) / 3 * 4;
    if (characters > 0 && characters % LineLength == 0)
        result += "\r\n";
    return result;
}

std::string Base64Decode(std::string_view AText)
{
    std::string clean;
    clean.reserve(AText.size());
    for (const char c : AText) {
        if (InAlphabet(c))
            clean += c;
    }
    // An incomplete final group is completed with "A" (zero bits) and only its whole bytes are kept.
    const size_t tail = clean.size() % 4;
    const size_t keepFromTail = tail == 0 ? 0 : tail - 1;
    if (tail != 0)
        clean.append(4 - tail, 'A');

    std::string result;
    result.resize(clean.size() / 4 * 3);
    size_t out = 0;
    const size_t chunkChars = ChunkBytes / 3 * 4;
    for (size_t pos = 0; pos < clean.size(); pos += chunkChars) {
        const size_t n = std::min(chunkChars, clean.size() - pos);
        const int decoded =
            EVP_DecodeBlock(reinterpret_cast<unsigned char*>(result.data() + out),
                            reinterpret_cast<const unsigned char*>(clean.data() + pos), static_cast<int>(n));
        if (decoded < 0 || static_cast<size_t>(decoded) != n / 4 * 3)
            throw std::logic_error("Base64Decode: EVP_DecodeBlock refused filtered input");
        out += static_cast<size_t>(decoded);
    }
    if (tail != 0)
        result.resize(result.size() - 3 + keepFromTail);
    return result;
}

}  // namespace korvel
