#include "signlib/SignType.h"

#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

namespace korvel::signlib {

TSignType SignTypeOfCode(std::uint32_t ACode)
{
    switch (ACode) {
    case EU_SIGN_TYPE_CADES_BES:
        return TSignType::CadesBes;
    case EU_SIGN_TYPE_CADES_T:
        return TSignType::CadesT;
    case EU_SIGN_TYPE_CADES_C:
    case EU_SIGN_TYPE_CADES_X_LONG:
        Fail(EU_ERROR_SIGN_TYPE_NOT_SUPPORTED, "signature type not supported");
    default:
        Fail(EU_ERROR_BAD_SIGN_TYPE, "unknown signature type");
    }
}

bool NeedsSignatureTimeStamp(TSignType AType)
{
    return AType == TSignType::CadesT;
}

}  // namespace korvel::signlib
