#pragma once

// The hashes: MurmurHash2 under the stored-secret cipher, MD5Hex for the message checksum.

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// The published 32-bit MurmurHash2 (Austin Appleby) over the UTF-8 bytes of AText with seed ASeed.
std::uint32_t MurmurHash2(std::string_view AText, std::uint32_t ASeed);

// MD5 of AText folded to one byte per UTF-16 code unit (below 128: itself, otherwise "?"), as 32 lower-case
// hexadecimal digits. Texts that differ only outside ASCII have the same digest.
std::string MD5Hex(std::string_view AText);

}  // namespace korvel
