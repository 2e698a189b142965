# Fixed values of the program, chosen once and compiled into one constants unit
# (src/foundation/Constants.cpp.in). Stored secrets and envelopes made by one build
# are read by another only when both use the same values.

# Scrambling of key passwords in the key store.
set(KORVEL_PASSWORD_SCRAMBLE_KEY "Kv7_qZ2mX" CACHE STRING "Password scrambling key: 9 ASCII letters, digits or '_'")
# Scrambling of the password hand-over to a restarted instance.
set(KORVEL_HEX_SEED 23517 CACHE STRING "Hex scrambling seed (16-bit)")
set(KORVEL_HEX_MULTIPLIER 40503 CACHE STRING "Hex scrambling multiplier (16-bit)")
set(KORVEL_HEX_ADDEND 12289 CACHE STRING "Hex scrambling addend (16-bit)")
# Enciphering of the secrets the program carries (the Redis passwords).
set(KORVEL_STORED_SECRET_KEY "Rvkolt" CACHE STRING "Stored-secret key: 6 ASCII letters")
set(KORVEL_STORED_SECRET_SEED 0x4B6F7276 CACHE STRING "Stored-secret MurmurHash2 seed (32-bit)")
set(KORVEL_STORED_SECRET_BLOCK_MASK 0x0000A5C3 CACHE STRING "Stored-secret block mask (32-bit, upper 16 bits zero)")
set(KORVEL_STORED_SECRET_TAIL_MASK 0x5D CACHE STRING "Stored-secret tail mask (8-bit)")
# Salt of the message checksum; must equal the business server's.
set(KORVEL_CHECKSUM_SALT "k0rv3lS4lt" CACHE STRING "Message checksum salt: 10 ASCII characters")

# Servers. Each can also be set at run time in config.ini (section APP).
set(KORVEL_REDIS_HOST "redis.korvel.invalid" CACHE STRING "Production Redis host")
set(KORVEL_REDIS_TEST_HOST "redis-test.korvel.invalid" CACHE STRING "Test Redis host")
set(KORVEL_REDIS_PORT 24170 CACHE STRING "Redis port")
set(KORVEL_REDIS_USER "korvel" CACHE STRING "Redis user name in production mode")
set(KORVEL_REDIS_TEST_USER "dodoviviv" CACHE STRING "Redis user name in test mode")
set(KORVEL_REDIS_PASSWORD "PDMiay0wOH0qMzRHPzJBfnkvPnp1JyN8eCYkWHgjOkp6KDJdLG8l" CACHE STRING "Enciphered production Redis password (korvelctl secret encipher)")
set(KORVEL_REDIS_TEST_PASSWORD "elEyPjYtNT56K0dDLyZHUCQnM1h4Nyw4ISMnTCQ8QEE6ITlgMDs0" CACHE STRING "Enciphered test Redis password (korvelctl secret encipher)")
set(KORVEL_WEB_URL "https://korvel.invalid" CACHE STRING "The maker's web server")
set(KORVEL_WEB_TEST_URL "https://test.korvel.invalid" CACHE STRING "The maker's test web server")
set(KORVEL_API_URL "https://api.korvel.invalid/" CACHE STRING "Root URL asked by the connectivity check")
set(KORVEL_DOCS_URL "https://docs.korvel.invalid" CACHE STRING "Documentation server")
set(KORVEL_SIGN_LIBRARY "libkorvelsign.so" CACHE STRING "File name or path of the signing library")
set(KORVEL_SERVICE_URL "http://localhost:8005/key/" CACHE STRING "Base address of the companion service")

function(korvel_check_length name expected)
  string(LENGTH "${${name}}" _len)
  if(NOT _len EQUAL ${expected})
    message(FATAL_ERROR "${name} must be ${expected} characters long")
  endif()
endfunction()
korvel_check_length(KORVEL_PASSWORD_SCRAMBLE_KEY 9)
korvel_check_length(KORVEL_STORED_SECRET_KEY 6)
korvel_check_length(KORVEL_CHECKSUM_SALT 10)
