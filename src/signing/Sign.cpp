#include "signing/Sign.h"

#include "signing/SignState.h"

namespace korvel {

TSign::TSign() = default;

TSign::~TSign()
{
    FreeKeyContext();
}

void TSign::FreeKeyContext()
{
    // Once the library is gone its handles mean nothing; they are not touched.
    const TEUSignInterface* library = SignState().CPInterface;
    if (!library)
        return;
    if (Key) {
        library->CtxFreePrivateKey(Key);
        Key = nullptr;
    }
    if (Context) {
        library->CtxFree(Context);
        Context = nullptr;
    }
}

void TSign::ResetForTests()
{
    auto& state = SignState();
    if (const TEUSignInterface* library = state.CPInterface)
        library->Finalize();
    UnloadLibrary();
    state.Reset();
}

}  // namespace korvel
