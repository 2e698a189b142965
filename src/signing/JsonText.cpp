#include "signing/JsonText.h"

#include <stdexcept>
#include <vector>

namespace korvel {

namespace {

// Builds the document from the parser's events; the same as the library's own builder except
// for numbers with a fraction or an exponent, which keep their written text.
class TTextKeepingBuilder {
public:
    explicit TTextKeepingBuilder(TJson& ARoot) : FRoot(ARoot) {}

    bool null() { return Add(nullptr) != nullptr; }
    bool boolean(bool AValue) { return Add(AValue) != nullptr; }
    bool number_integer(TJson::number_integer_t AValue) { return Add(AValue) != nullptr; }
    bool number_unsigned(TJson::number_unsigned_t AValue) { return Add(AValue) != nullptr; }
    bool number_float(TJson::number_float_t, const TJson::string_t& AWritten) { return Add(AWritten) != nullptr; }
    bool string(TJson::string_t& AValue) { return Add(std::move(AValue)) != nullptr; }
    bool binary(TJson::binary_t& AValue) { return Add(TJson::binary(std::move(AValue))) != nullptr; }
    bool start_object(std::size_t) { return Open(TJson::object()); }
    bool key(TJson::string_t& AKey)
    {
        FKey = std::move(AKey);
        return true;
    }
    bool end_object() { return Close(); }
    bool start_array(std::size_t) { return Open(TJson::array()); }
    bool end_array() { return Close(); }
    bool parse_error(std::size_t, const std::string&, const TJson::exception& AError)
    {
        throw std::runtime_error(AError.what());
    }

private:
    // Only the containers still open are pointed at; a parent gets no new member while a child
    // is open, so these pointers stay valid.
    TJson* Add(TJson AValue)
    {
        if (FOpen.empty()) {
            FRoot = std::move(AValue);
            return &FRoot;
        }
        TJson& parent = *FOpen.back();
        if (parent.is_array()) {
            parent.push_back(std::move(AValue));
            return &parent.back();
        }
        TJson& member = parent[FKey];
        member = std::move(AValue);
        return &member;
    }
    bool Open(TJson AContainer)
    {
        FOpen.push_back(Add(std::move(AContainer)));
        return true;
    }
    bool Close()
    {
        FOpen.pop_back();
        return true;
    }

    TJson& FRoot;
    std::vector<TJson*> FOpen;
    TJson::string_t FKey;
};

}  // namespace

TJson ParseJsonText(const std::string& AText)
{
    TJson root;
    TTextKeepingBuilder builder(root);
    TJson::sax_parse(AText, &builder);
    return root;
}

std::string JsonValueAsText(const TJson& AValue)
{
    return AValue.is_string() ? AValue.get<std::string>() : AValue.dump();
}

std::optional<std::string> JsonMemberAsText(const TJson& AObject, const std::string& AName)
{
    if (!AObject.is_object())
        return std::nullopt;
    const auto member = AObject.find(AName);
    if (member == AObject.end())
        return std::nullopt;
    return JsonValueAsText(*member);
}

}  // namespace korvel
