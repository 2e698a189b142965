#include "channel/EnvelopeReader.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace korvel {
namespace {

using json = nlohmann::json;

// Collects the members of the outermost object; nested values are walked over, not kept.
class TTopLevelSax {
public:
    std::map<std::string, TEnvelopeReader::TMember> Members;
    bool RootIsObject = false;

    bool null() { return Value(TEnvelopeReader::TKind::Null, ""); }
    bool boolean(bool AValue) { return Value(TEnvelopeReader::TKind::Boolean, AValue ? "true" : "false"); }
    bool number_integer(json::number_integer_t AValue)
    {
        return Value(TEnvelopeReader::TKind::Number, std::to_string(AValue));
    }
    bool number_unsigned(json::number_unsigned_t AValue)
    {
        return Value(TEnvelopeReader::TKind::Number, std::to_string(AValue));
    }
    bool number_float(json::number_float_t, const std::string& AText)
    {
        return Value(TEnvelopeReader::TKind::Number, AText);
    }
    bool string(std::string& AValue) { return Value(TEnvelopeReader::TKind::String, AValue); }
    bool binary(json::binary_t&) { return Value(TEnvelopeReader::TKind::String, ""); }
    bool start_object(std::size_t)
    {
        if (FDepth == 0)
            RootIsObject = true;
        else
            Value(TEnvelopeReader::TKind::Object, "");
        ++FDepth;
        return true;
    }
    bool end_object()
    {
        --FDepth;
        return true;
    }
    bool start_array(std::size_t)
    {
        Value(TEnvelopeReader::TKind::Array, "");
        ++FDepth;
        return true;
    }
    bool end_array()
    {
        --FDepth;
        return true;
    }
    bool key(std::string& AName)
    {
        if (FDepth == 1)
            FKey = AName;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

private:
    bool Value(TEnvelopeReader::TKind AKind, std::string AText)
    {
        if (FDepth == 1 && RootIsObject)
            Members[FKey] = {AKind, std::move(AText)};
        return true;
    }

    int FDepth = 0;
    std::string FKey;
};

}  // namespace

std::optional<TEnvelopeReader> TEnvelopeReader::Parse(const std::string& AText)
{
    TTopLevelSax sax;
    if (!json::sax_parse(AText, &sax))
        return std::nullopt;
    if (!sax.RootIsObject)
        throw EEnvelopeError("JSON value is not an object");
    TEnvelopeReader reader;
    reader.FMembers = std::move(sax.Members);
    return reader;
}

bool TEnvelopeReader::Has(const std::string& AName) const
{
    return FMembers.count(AName) != 0;
}

std::optional<TEnvelopeReader::TKind> TEnvelopeReader::KindOf(const std::string& AName) const
{
    const auto member = FMembers.find(AName);
    return member == FMembers.end() ? std::nullopt : std::optional<TKind>(member->second.Kind);
}

const TEnvelopeReader::TMember& TEnvelopeReader::Find(const std::string& AName) const
{
    const auto member = FMembers.find(AName);
    if (member == FMembers.end())
        throw EEnvelopeError("Value '" + AName + "' not found");
    return member->second;
}

std::string TEnvelopeReader::ReadText(const std::string& AName) const
{
    const TMember& member = Find(AName);
    if (member.Kind != TKind::String && member.Kind != TKind::Number)
        throw EEnvelopeError("Value '" + AName + "' is not a string or a number");
    return member.Text;
}

bool TEnvelopeReader::ReadBoolean(const std::string& AName) const
{
    const TMember& member = Find(AName);
    if (member.Kind != TKind::Boolean)
        throw EEnvelopeError("Value '" + AName + "' is not a boolean");
    return member.Text == "true";
}

std::int64_t TEnvelopeReader::ReadInt64(const std::string& AName) const
{
    const TMember& member = Find(AName);
    if (member.Kind != TKind::Number)
        throw EEnvelopeError("Value '" + AName + "' is not a number");
    const std::string& text = member.Text;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size())
        return value;
    // Written with a fraction or an exponent: accepted when it is a whole number in range.
    const double number = std::strtod(text.c_str(), nullptr);
    if (std::isfinite(number) && number == std::trunc(number) && number >= -9223372036854775808.0 &&
        number < 9223372036854775808.0)
        return static_cast<std::int64_t>(number);
    throw EEnvelopeError("Value '" + AName + "' is not a 64-bit integer");
}

}  // namespace korvel
