# Compiler flags shared by every Korvel target, carried by one INTERFACE target.
set(KORVEL_SANITIZE "" CACHE STRING "Sanitizers to build with: empty, 'address' (address+undefined) or 'thread'")
set_property(CACHE KORVEL_SANITIZE PROPERTY STRINGS "" address thread)

add_library(korvel_options INTERFACE)
target_compile_features(korvel_options INTERFACE cxx_std_20)
target_compile_options(korvel_options INTERFACE
  -Wall -Wextra -Wpedantic
  -fstack-protector-strong
  $<$<CONFIG:Debug>:-D_GLIBCXX_ASSERTIONS>
  $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
target_link_options(korvel_options INTERFACE -Wl,-z,relro,-z,now)

if(KORVEL_SANITIZE STREQUAL "address")
  set(_korvel_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(KORVEL_SANITIZE STREQUAL "thread")
  set(_korvel_san -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KORVEL_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KORVEL_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(_korvel_san)
  target_compile_options(korvel_options INTERFACE ${_korvel_san})
  target_link_options(korvel_options INTERFACE ${_korvel_san})
endif()
