#pragma once

// What the key fuzz targets share: an initialised signing library whose file store is an empty
// folder of its own, and a library context; the seeds' password; opening key bytes as a signer
// does, down to its certificates.

#include <string_view>

namespace korvel::fuzz {

// The password of every key in the seeds (fuzz/corpus/make-key-seeds.sh).
inline constexpr const char* SeedPassword = "fuzzing";

// Once, before the first input.
void PrepareSigningLibrary();
// Reads the bytes as a key with the seeds' password; when that succeeds, asks for every
// certificate and releases everything.
void OpenKeyBytes(std::string_view ABytes);

}  // namespace korvel::fuzz
