#pragma once

// What a signer knows of its key's certificate.

#include "foundation/DateTime.h"

#include <string>

namespace korvel {

struct TCertInfoRec {
    std::string Serial;  // the key's identity throughout the system
    std::string SubjFullName;
    std::string SubjOrg;
    std::string SubjDRFOCode;    // personal tax number
    std::string SubjEDRPOUCode;  // organisation code
    TDateTime CertEndTime = 0;   // end of the certificate's validity
};

}  // namespace korvel
