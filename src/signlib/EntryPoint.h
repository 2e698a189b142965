#pragma once

// The boundary of every entry point: no exception leaves the library; each becomes an error code,
// and the thread's OpenSSL error queue is emptied, so failures never pile up in it.

#include "signlib/SignLibraryError.h"

namespace korvel::signlib {

// The code for the exception being handled: its own code, EU_ERROR_NOT_ENOUGH_MEMORY for an
// allocation failure, EU_ERROR_UNKNOWN for anything else. Call only inside a catch block.
unsigned long CurrentExceptionCode() noexcept;

// Throws EU_ERROR_NOT_INITIALIZED unless EUInitialize has succeeded (and EUFinalize not followed).
void RequireInitialized();

// Throws EU_ERROR_BAD_PARAMETER when a required argument is missing.
void RequireArgument(const void* AArgument, const char* AName);

void ClearOpenSslErrors() noexcept;

// Runs AOperation and returns 0, or the code of what it threw.
template <typename TOperation> unsigned long RunEntryPoint(TOperation&& AOperation) noexcept
{
    unsigned long code = 0;
    try {
        AOperation();
    } catch (...) {
        code = CurrentExceptionCode();
    }
    ClearOpenSslErrors();
    return code;
}

// As RunEntryPoint, for operations that need an initialised library.
template <typename TOperation> unsigned long RunInitializedEntryPoint(TOperation&& AOperation) noexcept
{
    return RunEntryPoint([&] {
        RequireInitialized();
        AOperation();
    });
}

}  // namespace korvel::signlib
