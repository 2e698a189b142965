#include "signlib/KeyPasswords.h"

#include "foundation/TextCodec.h"

namespace korvel::signlib {

TKeyPasswords KeyPasswordsFromAnsi(const char* AAnsiPassword)
{
    const TSecretText ansi(AAnsiPassword == nullptr ? "" : AAnsiPassword);
    TKeyPasswords passwords;
    passwords.emplace_back(AnsiToUtf8(ansi.Text()));
    if (!(passwords.front() == ansi))
        passwords.push_back(ansi);
    return passwords;
}

}  // namespace korvel::signlib
