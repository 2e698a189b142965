#include "foundation/StrictInt.h"

#include <charconv>
#include <stdexcept>

namespace korvel {

int StrToInt(const std::string& AText)
{
    const char* first = AText.data();
    const char* last = first + AText.size();
    if (first != last && *first == '+' && first + 1 != last && first[1] != '-')
        ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last)
        throw std::runtime_error("'" + AText + "' is not a valid integer value");
    return value;
}

}  // namespace korvel
