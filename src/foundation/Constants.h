#pragma once

// The program's fixed values, set at build time (cmake/KorvelSettings.cmake).

#include <cstdint>
#include <string_view>

namespace korvel::constants {

extern const std::string_view AppName;     // "Korvel": folders, autostart entry, shared memory
extern const std::string_view AppVersion;  // four numbers joined by "."

extern const std::string_view PasswordScrambleKey;
extern const std::uint16_t HexScrambleSeed;
extern const std::uint16_t HexScrambleMultiplier;
extern const std::uint16_t HexScrambleAddend;
extern const std::string_view StoredSecretKey;
extern const std::uint32_t StoredSecretSeed;
extern const std::uint32_t StoredSecretBlockMask;
extern const std::uint8_t StoredSecretTailMask;
extern const std::string_view ChecksumSalt;

extern const std::string_view RedisHost;
extern const std::string_view RedisTestHost;
extern const int RedisPort;
extern const std::string_view RedisUser;
extern const std::string_view RedisTestUser;
extern const std::string_view RedisPassword;      // enciphered
extern const std::string_view RedisTestPassword;  // enciphered
extern const std::string_view WebUrl;
extern const std::string_view WebTestUrl;
extern const std::string_view ApiUrl;
extern const std::string_view DocsUrl;
extern const std::string_view ServiceUrl;
extern const std::string_view SignLibrary;

}  // namespace korvel::constants
