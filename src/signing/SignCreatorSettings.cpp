#include "signing/Sign.h"

#include "foundation/Log.h"
#include "foundation/Param.h"
#include "foundation/ProgramFolders.h"
#include "foundation/TextCodec.h"
#include "signing/CreatorList.h"
#include "signing/SignState.h"

#include <optional>

namespace korvel {

namespace {

// An authority's servers as its list entry gives them.
struct TCreatorServers {
    std::string CommonName;  // the entry's first common name
    std::string CmpAddress;
    std::string TspAddress;
    std::string TspPort;  // also the CMP server's port
    std::string OcspAddress;
    std::string OcspPort;
};

// The first entry that lists ACreatorName.
const TJson* FindCreator(const TJson& AList, const std::string& ACreatorName)
{
    for (const TJson& element : AList) {
        const TJson* names = IssuerNames(element);
        if (names && ListsName(*names, ACreatorName))
            return &element;
    }
    return nullptr;
}

// Nothing when a server field is missing: half an authority's settings would leave the library
// mixing two authorities' servers.
std::optional<TCreatorServers> ReadServers(const TJson& AElement)
{
    const auto cmpAddress = JsonMemberAsText(AElement, "cmpAddress");
    const auto tspAddress = JsonMemberAsText(AElement, "tspAddress");
    const auto tspPort = JsonMemberAsText(AElement, "tspAddressPort");
    const auto ocspAddress = JsonMemberAsText(AElement, "ocspAccessPointAddress");
    const auto ocspPort = JsonMemberAsText(AElement, "ocspAccessPointPort");
    if (!cmpAddress || !tspAddress || !tspPort || !ocspAddress || !ocspPort)
        return std::nullopt;
    return TCreatorServers{
        JsonValueAsText(IssuerNames(AElement)->front()), *cmpAddress, *tspAddress, *tspPort, *ocspAddress, *ocspPort};
}

// The certificates folder becomes the library's file store once, until the certificates are
// cleared. A folder that cannot be made is never given: "" would be whatever folder the process
// runs in; the step then fails and is tried again with the next authority.
bool SetFileStore(const TEUSignInterface& ALibrary)
{
    if (TParam::GetSetCertificateFolder())
        return true;
    const std::string folder = GetCertificatesFolder();
    if (folder.empty())
        return false;
    const unsigned long code = ALibrary.SetFileStoreSettings(Utf8ToAnsi(folder).c_str(), 0, 1, 0, 0, 0, 1, 3600);
    TParam::SetSetCertificateFolder(true);
    return code == EU_ERROR_NONE;
}

// Every call is made even after one failed; true when all succeeded.
bool ApplyServers(const TEUSignInterface& ALibrary, const TCreatorServers& AServers)
{
    const std::string commonName = Utf8ToAnsi(AServers.CommonName);
    const std::string cmpAddress = Utf8ToAnsi(AServers.CmpAddress);
    const std::string tspAddress = Utf8ToAnsi(AServers.TspAddress);
    const std::string tspPort = Utf8ToAnsi(AServers.TspPort);
    const std::string ocspAddress = Utf8ToAnsi(AServers.OcspAddress);
    const std::string ocspPort = Utf8ToAnsi(AServers.OcspPort);
    bool applied = SetFileStore(ALibrary);
    applied &= ALibrary.SetCMPSettings(1, cmpAddress.c_str(), tspPort.c_str(), commonName.c_str()) == EU_ERROR_NONE;
    applied &= ALibrary.SetTSPSettings(1, tspAddress.c_str(), tspPort.c_str()) == EU_ERROR_NONE;
    applied &= ALibrary.SetOCSPSettings(1, 1, ocspAddress.c_str(), ocspPort.c_str()) == EU_ERROR_NONE;
    applied &= ALibrary.SetProxySettings(0, 0, "", "", "", "", 0) == EU_ERROR_NONE;
    applied &= ALibrary.SetLDAPSettings(0, "", "", 0, "", "") == EU_ERROR_NONE;
    return applied;
}

void LogApplied(const std::string& ACreatorName, const TCreatorServers& AServers)
{
    TLog::Log("Встановлення налаштувань АЦСК (" + ACreatorName + ") - виконано");
    TLog::Log("  Сервер CMP/TSP/OSCP: " + AServers.CmpAddress + "  " + AServers.TspAddress + "  " +
              AServers.OcspAddress);
    TLog::Log("  Порт CMP/TSP/OSCP: " + AServers.TspPort + "/" + AServers.TspPort + "/" + AServers.OcspPort);
}

const std::string NotApplied = "Встановлення налаштувань АЦСК  - не вдалось виконати";

}  // namespace

bool TSign::SetCreatorSettings(const std::string& ACreatorName)
{
    auto& state = SignState();
    const std::string text = state.CreatorsJson();
    if (text.empty()) {
        TLog::Log("Відсутній список АЦСК");
        return false;
    }
    std::lock_guard lock(state.FCreatorLock);
    // Keys are only loaded while the library is up; without it there is nowhere to apply.
    const TEUSignInterface* library = state.CPInterface;
    if (!library)
        return false;
    if ((!state.FCurrentCreator.empty() && state.FCurrentCreator == ACreatorName) ||
        CreatorIsEquals(state.FCurrentCreator, ACreatorName))
        return false;
    const auto list = ParseCreatorList(text);
    if (!list)
        return false;
    const TJson* element = FindCreator(*list, ACreatorName);
    if (!element)
        return false;
    const auto servers = ReadServers(*element);
    if (!servers || !ApplyServers(*library, *servers)) {
        TLog::Log(NotApplied);
        return false;
    }
    state.FCurrentCreator = ACreatorName;
    LogApplied(ACreatorName, *servers);
    return true;
}

}  // namespace korvel
