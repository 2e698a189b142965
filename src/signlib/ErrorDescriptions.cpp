#include "signlib/ErrorDescriptions.h"

#include "foundation/TextCodec.h"
#include "signlib/SignLibrary.h"

#include <array>
#include <string>
#include <string_view>

namespace korvel::signlib {

namespace {

// Indexed by code: the codes run from 0 without gaps.
constexpr std::array<std::string_view, 24> Utf8Descriptions = {
    "Операцію виконано успішно",                            // EU_ERROR_NONE
    "Невідома помилка",                                     // EU_ERROR_UNKNOWN
    "Бібліотеку підпису не ініціалізовано",                 // EU_ERROR_NOT_INITIALIZED
    "Невірний параметр",                                    // EU_ERROR_BAD_PARAMETER
    "Недостатньо пам'яті",                                  // EU_ERROR_NOT_ENOUGH_MEMORY
    "Файл не знайдено",                                     // EU_ERROR_FILE_NOT_FOUND
    "Помилка читання файлу",                                // EU_ERROR_FILE_READ
    "Більше елементів немає",                               // EU_WARNING_END_OF_ENUM
    "Невірний пароль до особистого ключа",                  // EU_ERROR_BAD_PASSWORD
    "Невідомий формат файлу особистого ключа",              // EU_ERROR_BAD_KEY_FORMAT
    "Файл особистого ключа пошкоджено",                     // EU_ERROR_KEY_DAMAGED
    "Сертифікат особистого ключа не знайдено",              // EU_ERROR_CERT_NOT_FOUND
    "Особистий ключ не знайдено",                           // EU_ERROR_KEY_NOT_FOUND
    "Невірний тип підпису",                                 // EU_ERROR_BAD_SIGN_TYPE
    "Тип підпису не підтримується",                         // EU_ERROR_SIGN_TYPE_NOT_SUPPORTED
    "Помилка зв'язку з сервером позначок часу",             // EU_ERROR_TSP_SERVER
    "Невірна відповідь сервера позначок часу",              // EU_ERROR_TSP_RESPONSE
    "Помилка створення підпису",                            // EU_ERROR_SIGN
    "Невірне значення геш-функції",                         // EU_ERROR_BAD_HASH
    "Невідомий параметр або невірне значення параметра",    // EU_ERROR_BAD_RUNTIME_PARAMETER
    "Помилка при роботі з носієм ключової інформації",      // EU_ERROR_MEDIA
    "Невірний пароль (PIN-код) носія ключової інформації",  // EU_ERROR_MEDIA_LOGIN
    "Невірний формат файлу JKS",                            // EU_ERROR_JKS_FORMAT
    "Ключ з вказаним псевдонімом у файлі JKS не знайдено",  // EU_ERROR_JKS_ALIAS_NOT_FOUND
};

static_assert(Utf8Descriptions.size() == EU_ERROR_JKS_ALIAS_NOT_FOUND + 1, "one description per code");

// Converted once, on first use; a function-local static is initialised safely across threads.
const std::array<std::string, Utf8Descriptions.size()>& AnsiDescriptions()
{
    static const auto descriptions = [] {
        std::array<std::string, Utf8Descriptions.size()> converted;
        for (std::size_t i = 0; i < Utf8Descriptions.size(); ++i)
            converted[i] = Utf8ToAnsi(Utf8Descriptions[i]);
        return converted;
    }();
    return descriptions;
}

}  // namespace

const char* ErrorDescription(unsigned long ACode)
{
    const auto& descriptions = AnsiDescriptions();
    return (ACode < descriptions.size() ? descriptions[ACode] : descriptions[EU_ERROR_UNKNOWN]).c_str();
}

}  // namespace korvel::signlib

// Every language gets the Ukrainian text: the program asks for no other.
extern "C" EU_API const char* EUGetErrorLangDesc(unsigned long dwError, unsigned long /*dwLang*/)
{
    try {
        return korvel::signlib::ErrorDescription(dwError);
    } catch (...) {
        // Only a failed first conversion can throw; an empty text is safer than none.
        return "";
    }
}
