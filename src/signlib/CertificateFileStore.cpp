#include "signlib/CertificateFileStore.h"

#include "foundation/ProgramFolders.h"
#include "signlib/CertificateParsing.h"
#include "signlib/LibraryState.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace korvel::signlib {

namespace {

// Bundles of every authority's certificates run to a few megabytes; anything far larger is not a
// certificate file.
constexpr std::uintmax_t MaxCertificateFileSize = std::uintmax_t{64} * 1024 * 1024;

bool IsCertificateFileName(const std::filesystem::path& AFile)
{
    std::string extension = AFile.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".p7b" || extension == ".cer" || extension == ".crt" || extension == ".pem";
}

std::vector<std::filesystem::path> CertificateFiles(const std::filesystem::path& AFolder)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(AFolder, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored) && IsCertificateFileName(it->path()) &&
            it->file_size(ignored) <= MaxCertificateFileSize)
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadWholeFile(const std::filesystem::path& AFile)
{
    std::ifstream in(AFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::filesystem::path FileStoreFolder()
{
    const std::string configured = CurrentSettings().FileStore.Path;
    if (!configured.empty())
        return configured;
    const std::string programData = GetProgramDataFolder();
    return programData.empty() ? std::filesystem::path() : std::filesystem::path(programData + "Certificates");
}

std::vector<TX509Ptr> LoadFileStoreCertificates(const std::filesystem::path& AFolder)
{
    std::vector<TX509Ptr> certificates;
    if (AFolder.empty())
        return certificates;
    for (const auto& file : CertificateFiles(AFolder)) {
        for (auto& certificate : ParseCertificates(ReadWholeFile(file)))
            certificates.push_back(std::move(certificate));
    }
    return certificates;
}

}  // namespace korvel::signlib
