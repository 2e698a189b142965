#pragma once

// The reversible obfuscations of stored secrets. Texts are UTF-8 in std::string; where an algorithm is defined on
// UTF-16 code units or on Windows-1251 bytes, the functions convert explicitly. The fixed values come from
// korvel::constants. None of this resists anybody who knows those values.

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// Code unit i of AText XOR code unit (i mod key length) of AKey. AKey must not be empty (std::invalid_argument).
std::u16string XorText(std::u16string_view AText, std::u16string_view AKey);
// The same on UTF-8 texts. A result code unit that is an unpaired surrogate comes out as U+FFFD.
std::string XorText(std::string_view AText, std::string_view AKey);

// Key-store passwords: reverse, XorText with the password scrambling key, base64 (76-character CR LF lines),
// reverse the base64 text.
std::string ScrambleSecret(std::string_view AText);
std::string UnscrambleSecret(std::string_view AText);

// Password hand-over to a restarted instance: the UTF-8 bytes scrambled with a 16-bit running key started at
// ASeed, as upper-case hexadecimal digits. Callers pass constants::HexScrambleSeed.
std::string HexScramble(std::string_view AText, std::uint16_t ASeed);
// Accepts lower case and ignores a final unpaired character; "" when a pair is not hexadecimal.
std::string HexUnscramble(std::string_view AText, std::uint16_t ASeed);

// The secrets the program holds only enciphered (the Redis passwords): base64 -> text -> XorStreamWithHash with
// the stored-secret key.
std::string DecipherStoredSecret(std::string_view AText);
// The inverse: the secret's Windows-1251 bytes through the XOR steps, read as Windows-1251 text, base64 on one
// line (the decoder skips line breaks, so either form deciphers the same; one line fits config.ini).
// Throws std::runtime_error when the result would not decipher back to ASecret: a character Windows-1251 cannot
// hold, or an enciphered byte it cannot carry (0x98).
std::string EncipherStoredSecret(std::string_view ASecret);

// AData's Windows-1251 bytes: each whole 4-byte little-endian block XOR MurmurHash2(AKey, stored-secret seed) XOR
// the block mask, each of the last 0 to 3 bytes XOR the tail mask; read back as Windows-1251 text.
std::string XorStreamWithHash(std::string_view AData, std::string_view AKey);

}  // namespace korvel
