#include "signing/Sign.h"

#include "foundation/AtomicFile.h"
#include "foundation/HttpClient.h"
#include "foundation/Log.h"
#include "foundation/ProgramFolders.h"
#include "foundation/TextUtils.h"
#include "signing/CreatorList.h"
#include "signing/MakerWebServer.h"
#include "signing/SignState.h"

#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace korvel {

namespace {

const std::string NoCreatorList = "Відсутній список АЦСК";
const std::string CreatorListFailure = "Помилка отримання списку АЦСК: ";

std::string CachedListFileName()
{
    return GetProgramDataFolder() + "CAs.json";
}

// Fetches the list; on status 200 the cache gets the same bytes. "" when not fetched.
std::string FetchCreatorList()
{
    std::filesystem::create_directories(GetProgramDataFolder());
    std::ostringstream body;
    if (!HttpGetToStream(MakerWebUrl("/certs/cas.json"), body, 0))
        return {};
    // Readable by all: the machine-wide folder is shared by the service and the users' programs.
    if (!WriteFileAtomically(CachedListFileName(), body.str(), 0644))
        throw std::runtime_error("Cannot write file \"" + CachedListFileName() + "\"");
    return body.str();
}

// The cache holds the downloaded bytes, UTF-8, so it is read back as such: taken as the ANSI
// code page its Cyrillic names would never match a key's authority again.
std::string ReadCachedList()
{
    try {
        return ReadUtf8File(CachedListFileName());
    } catch (const std::exception& error) {
        TLog::Log(CreatorListFailure + error.what());
        return {};
    }
}

// Where the two names stand: the position of the element of the last name found for each, and
// whether they stand in one element as the scan left them.
class TNamesScan {
public:
    TNamesScan(const std::string& AC1, const std::string& AC2) : FC1(AC1), FC2(AC2) {}

    // One element's names; once both names are placed, the rest of the element is skipped.
    void Element(std::size_t APosition, const TJson& ANames)
    {
        for (const TJson& entry : ANames) {
            const std::string name = JsonValueAsText(entry);
            if (name == FC1)
                FPosition1 = static_cast<long>(APosition);
            if (name == FC2)
                FPosition2 = static_cast<long>(APosition);
            if (FPosition1 >= 0 && FPosition2 >= 0) {
                FEqual = FPosition1 == FPosition2;
                return;
            }
        }
    }
    bool Equal() const { return FEqual; }

private:
    const std::string& FC1;
    const std::string& FC2;
    long FPosition1 = -1;
    long FPosition2 = -1;
    bool FEqual = false;
};

}  // namespace

std::string TSign::DownloadCreators()
{
    std::string list;
    try {
        list = FetchCreatorList();
    } catch (const std::exception& error) {
        TLog::Log(CreatorListFailure + error.what());
        list.clear();
    }
    if (!list.empty())
        TLog::Log("Отримання списку АЦСК  - виконано");
    return list;
}

void TSign::LoadCreators()
{
    auto& state = SignState();
    state.SetCreatorsJson(DownloadCreators());
    if (Trim(state.CreatorsJson()).empty() && std::filesystem::exists(CachedListFileName()))
        state.SetCreatorsJson(ReadCachedList());
}

std::string TSign::GetDataByCreator(const std::string& ACreatorName, const std::string& AFieldName)
{
    const std::string text = SignState().CreatorsJson();
    if (text.empty()) {
        TLog::Log(NoCreatorList);
        return {};
    }
    const auto list = ParseCreatorList(text);
    if (!list)
        return {};
    // A later entry of the same authority that has the field wins.
    std::string result;
    for (const TJson& element : *list) {
        const TJson* names = IssuerNames(element);
        if (names && ListsName(*names, ACreatorName))
            result = JsonMemberAsText(element, AFieldName).value_or(result);
    }
    return result;
}

bool TSign::IsCloudKey(const std::string& ACreatorName)
{
    const std::string cloudType = GetDataByCreator(ACreatorName, "cloud_type");
    return !Trim(cloudType).empty() && AsciiLower(cloudType) != "null";
}

bool TSign::CreatorIsEquals(const std::string& AC1, const std::string& AC2)
{
    if (AC1.empty() || AC2.empty())
        return false;
    if (SignState().CreatorsJson().empty())
        LoadCreators();
    const std::string text = SignState().CreatorsJson();
    if (text.empty())
        return false;
    TNamesScan scan(AC1, AC2);
    try {
        const auto list = ParseCreatorList(text);
        if (!list)
            return false;
        for (std::size_t position = 0; position < list->size(); ++position) {
            const TJson* names = IssuerNames((*list)[position]);
            if (!names)
                throw std::runtime_error("елемент " + std::to_string(position) +
                                         " списку АЦСК не є об'єктом з масивом issuerCNs");
            scan.Element(position, *names);
        }
    } catch (const std::exception& error) {
        TLog::Log("CreatorIsEquals: " + std::string(error.what()));
    }
    return scan.Equal();
}

std::vector<std::string> TSign::GetListCreatorsName()
{
    std::vector<std::string> names;
    if (SignState().CreatorsJson().empty())
        LoadCreators();
    const std::string text = SignState().CreatorsJson();
    if (text.empty())
        return names;
    const auto list = ParseCreatorList(text);
    if (!list)
        return names;
    for (const TJson& element : *list) {
        // An entry without names has no display name to offer.
        const TJson* issuerNames = IssuerNames(element);
        if (issuerNames && !issuerNames->empty())
            names.push_back(JsonValueAsText(issuerNames->front()));
    }
    return names;
}

}  // namespace korvel
