#pragma once

// How a signing failure travels inside the library: an exception carrying the library's error
// code, turned into the return value at the C boundary.

#include "signlib/SignLibrary.h"

#include <openssl/err.h>

#include <new>
#include <stdexcept>

namespace korvel::signlib {

class TSignError : public std::runtime_error {
public:
    TSignError(unsigned long ACode, const char* AWhat) : std::runtime_error(AWhat), FCode(ACode) {}
    unsigned long Code() const { return FCode; }

private:
    unsigned long FCode;
};

// Raises ACode when ACondition does not hold; OpenSSL calls report success this way.
inline void Require(bool ACondition, unsigned long ACode, const char* AWhat)
{
    if (!ACondition)
        throw TSignError(ACode, AWhat);
}

// Runs AOperation and answers its outcome as the library's error code. Nothing escapes: the
// caller is C. The thread's OpenSSL error queue is emptied, so failures never pile up in it.
template <typename TOperation> unsigned long SignGuarded(TOperation AOperation) noexcept
{
    unsigned long code = EU_ERROR_NONE;
    try {
        AOperation();
    } catch (const TSignError& error) {
        code = error.Code();
    } catch (const std::bad_alloc&) {
        code = EU_ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        code = EU_ERROR_UNKNOWN;
    }
    ERR_clear_error();
    return code;
}

}  // namespace korvel::signlib
