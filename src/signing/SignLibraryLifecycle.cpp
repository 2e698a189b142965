#include "signing/Sign.h"

#include "foundation/HttpClient.h"
#include "foundation/Log.h"
#include "foundation/ProgramFolders.h"
#include "foundation/TextCodec.h"
#include "signing/LibraryError.h"
#include "signing/MakerWebServer.h"
#include "signing/SignState.h"

#include <functional>
#include <stdexcept>

namespace korvel {

namespace {

const std::string LoadFailure = "Помилка при загрузці криптографічної бібліотеки";

[[noreturn]] void RaiseLoadFailure(const std::string& AStep)
{
    throw std::runtime_error(AStep + ": " + LoadFailure);
}

// Loads the library, starts it and switches its own windows and offline mode off. On failure
// nothing stays loaded.
const TEUSignInterface* StartLibrary()
{
    if (!EULoadDLL())
        RaiseLoadFailure("EULoadDLL");
    const TEUSignInterface* library = LibraryInterface();
    if (!library) {
        UnloadLibrary();
        RaiseLoadFailure("CPInterface = nil");
    }
    if (library->Initialize() != EU_ERROR_NONE) {
        UnloadLibrary();
        RaiseLoadFailure("CPInterface.Initialize");
    }
    int offlineMode = 0;
    if (library->GetModeSettings(&offlineMode) != EU_ERROR_NONE) {
        library->Finalize();
        UnloadLibrary();
        RaiseLoadFailure("GetModeSettings");
    }
    library->SetUIMode(0);
    if (offlineMode)
        library->SetModeSettings(0);
    return library;
}

using TEnumerate = std::function<unsigned long(const TEUSignInterface& ALibrary, unsigned long AIndex, char* AName)>;

// Names at index 0, 1, 2... until the end of the enumeration; an error keeps the names read so far.
void FillNames(const std::string& AOperation, const TEnumerate& AEnumerate, std::vector<std::string>& AStrings)
{
    AStrings.clear();
    const TEUSignInterface* library = SignState().CPInterface;
    if (!library) {
        TLog::Log("Бібліотека підпису не ініціалізована");
        return;
    }
    for (unsigned long index = 0;; ++index) {
        char name[EU_MEDIA_NAME_SIZE] = {};
        const unsigned long code = AEnumerate(*library, index, name);
        if (code == EU_WARNING_END_OF_ENUM)
            return;
        if (code != EU_ERROR_NONE) {
            TLog::Log(LibraryError(AOperation + ": ", code));
            return;
        }
        name[EU_MEDIA_NAME_SIZE - 1] = '\0';
        AStrings.push_back(AnsiToUtf8(name));
    }
}

}  // namespace

void TSign::InitialLibrary()
{
    auto& state = SignState();
    if (state.CPInterface)
        return;
    state.CPInterface = StartLibrary();
    {
        std::lock_guard lock(state.FCreatorLock);
        state.FCurrentCreator.clear();
    }
    LoadCreators();
    GetContainerCertificatesFile();
    TLog::Log("Ініціалізація бібліотеки підпису - виконано");
}

void TSign::DeInitialLibrary()
{
    auto& state = SignState();
    const TEUSignInterface* library = state.CPInterface;
    if (!library)
        return;
    library->Finalize();
    UnloadLibrary();
    state.CPInterface = nullptr;
    TLog::Log("Вигрузка бібліотеки підпису - виконано");
}

void TSign::GetContainerCertificatesFile()
{
    try {
        // Made when missing; "" when it cannot be made, and then nothing may be written: a bare
        // file name would land in whatever folder the process runs in.
        const std::string folder = GetCertificatesFolder();
        if (folder.empty())
            throw std::runtime_error("не вдалося створити папку сертифікатів");
        HttpGetToFile(MakerWebUrl("/certs/CACertificates.p7b"), folder + "/CACertificates.p7b");
    } catch (const std::exception& error) {
        TLog::Log("Помилка отримання файлу з усіма сертифікатами: " + std::string(error.what()));
    }
}

void TSign::UpdateDeviceTypeList(std::vector<std::string>& AStrings)
{
    FillNames(
        "UpdateDeviceTypeList",
        [](const TEUSignInterface& ALibrary, unsigned long AIndex, char* AName) {
            return ALibrary.EnumKeyMediaTypes(AIndex, AName);
        },
        AStrings);
}

void TSign::UpdateDeviceList(std::uint32_t ATypeIndex, std::vector<std::string>& AStrings)
{
    FillNames(
        "UpdateDeviceList",
        [ATypeIndex](const TEUSignInterface& ALibrary, unsigned long AIndex, char* AName) {
            return ALibrary.EnumKeyMediaDevices(ATypeIndex, AIndex, AName);
        },
        AStrings);
}

}  // namespace korvel
