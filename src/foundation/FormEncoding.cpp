#include "foundation/FormEncoding.h"

namespace korvel {

namespace {

bool IsKeptAsIs(unsigned char AByte)
{
    return (AByte >= 'A' && AByte <= 'Z') || (AByte >= 'a' && AByte <= 'z') || (AByte >= '0' && AByte <= '9') ||
           AByte == '*' || AByte == '-' || AByte == '.' || AByte == '_';
}

std::string EncodeField(const std::string& ALine)
{
    const auto equals = ALine.find('=');
    if (equals == std::string::npos)
        return EncodeFormComponent(ALine) + "=";
    return EncodeFormComponent(ALine.substr(0, equals)) + "=" + EncodeFormComponent(ALine.substr(equals + 1));
}

}  // namespace

std::string EncodeFormComponent(const std::string& AText)
{
    static constexpr char HexDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(AText.size() * 3);
    for (const char c : AText) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsKeptAsIs(byte)) {
            encoded += c;
        } else if (byte == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += HexDigits[byte >> 4];
            encoded += HexDigits[byte & 0x0F];
        }
    }
    return encoded;
}

std::string EncodeFormFields(const std::vector<std::string>& AFields)
{
    std::string body;
    for (const auto& line : AFields) {
        if (line.empty())
            continue;
        if (!body.empty())
            body += '&';
        body += EncodeField(line);
    }
    return body;
}

}  // namespace korvel
