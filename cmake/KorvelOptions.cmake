# Compiler flags shared by every Korvel target, carried by one INTERFACE target.
set(KORVEL_SANITIZE "" CACHE STRING "Sanitizers to build with: empty, 'address' (address+undefined) or 'thread'")
set_property(CACHE KORVEL_SANITIZE PROPERTY STRINGS "" address thread)

# Fuzzing needs libFuzzer, which only clang has, and runs under address+undefined; every target
# is instrumented for coverage so the fuzzers see into the libraries.
set(_korvel_sanitize "${KORVEL_SANITIZE}")
if(KORVEL_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KORVEL_BUILD_FUZZ needs clang (libFuzzer); configure a build folder of its own with "
                        "-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++, or use scripts/fuzz")
  endif()
  if(KORVEL_SANITIZE STREQUAL "thread")
    message(FATAL_ERROR "KORVEL_BUILD_FUZZ runs under address+undefined; it cannot be combined with KORVEL_SANITIZE=thread")
  endif()
  set(_korvel_sanitize address)
endif()

add_library(korvel_options INTERFACE)
target_compile_features(korvel_options INTERFACE cxx_std_20)
target_compile_options(korvel_options INTERFACE
  -Wall -Wextra -Wpedantic
  -fstack-protector-strong
  $<$<CONFIG:Debug>:-D_GLIBCXX_ASSERTIONS>)
target_link_options(korvel_options INTERFACE -Wl,-z,relro,-z,now)

if(_korvel_sanitize STREQUAL "address")
  set(_korvel_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(_korvel_sanitize STREQUAL "thread")
  set(_korvel_san -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT _korvel_sanitize STREQUAL "")
  message(FATAL_ERROR "KORVEL_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(_korvel_san)
  target_compile_options(korvel_options INTERFACE ${_korvel_san})
  target_link_options(korvel_options INTERFACE ${_korvel_san})
else()
  # The fortified C library calls would sidestep the sanitizers' own checks, so only without them.
  target_compile_options(korvel_options INTERFACE $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
endif()
if(KORVEL_BUILD_FUZZ)
  target_compile_options(korvel_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
