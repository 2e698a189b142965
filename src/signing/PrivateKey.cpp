#include "signing/PrivateKey.h"

namespace korvel {

namespace {

constexpr std::string_view GrydaModel = "ІІТ Гряда-301";

}  // namespace

bool TPrivateKey::IsGryda() const
{
    // Display names begin with "[" and the device name, so the model found at the very start is
    // a device named after it, not the media type.
    const auto position = pkDeviceName.find(GrydaModel);
    return !pkIsFile && position != std::string::npos && position > 0;
}

std::string TPrivateKey::GetPassword() const
{
    return IsGryda() ? "##" + pkLogin + "##" + pkPassword : pkPassword;
}

}  // namespace korvel
