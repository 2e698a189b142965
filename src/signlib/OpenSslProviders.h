#pragma once

// The OpenSSL providers the library needs in the process's default library context.

namespace korvel::signlib {

// Loads the default provider and, for key files from old tools (RC2-40, 3DES), the legacy one.
// Loaded once per process and kept: the program's other OpenSSL users (HTTPS) share the default
// context, and unloading an explicitly loaded default provider would leave them without
// algorithms; they are given back at process exit. False when the default provider cannot be loaded.
bool LoadOpenSslProviders();

}  // namespace korvel::signlib
