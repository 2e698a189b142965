#pragma once

// A key's settings as the key registry or the key settings dialog hand them to a signer.
// A plain value: copied on assignment.

#include <cstdint>
#include <string>

namespace korvel {

struct TPrivateKey {
    bool pkSavePass = false;
    bool pkAutoStart = false;
    bool pkIsFile = false;  // false for a device key or a cloud key
    std::string pkFileName;
    std::string pkDeviceName;  // "[" + device name + "] " + media type name
    std::string pkLogin;       // network device user; for a cloud key its key id or the owner's DRFO code
    std::string pkPassword;
    std::string pkEdrpou;
    std::string pkSN;
    std::string pkToken;             // access token of a cloud key
    std::string pkCreatorName;       // one of the names in the certification-authority list
    std::int32_t pkTypeIndex = 0;    // position in the library's media type enumeration
    std::int32_t pkDeviceIndex = 0;  // position of the device within that type

    // A key on a network device of the "ІІТ Гряда-301" model, which expects the login inside the password.
    bool IsGryda() const;
    // The password as the key's medium expects it: "##" + login + "##" + password for that model.
    std::string GetPassword() const;
};

}  // namespace korvel
