#pragma once

// The signature types the library makes, and the codes that name them.

#include <cstdint>

namespace korvel::signlib {

enum class TSignType {
    CadesBes,  // signed attributes only
    CadesT,    // CAdES-BES plus a time-stamp token over the signature value
};

// The type a "SignType" code asks for. CAdES-C and CAdES-X Long raise
// EU_ERROR_SIGN_TYPE_NOT_SUPPORTED, any other unknown code EU_ERROR_BAD_SIGN_TYPE.
TSignType SignTypeOfCode(std::uint32_t ACode);

bool NeedsSignatureTimeStamp(TSignType AType);

}  // namespace korvel::signlib
