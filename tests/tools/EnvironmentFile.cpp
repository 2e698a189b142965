#include "EnvironmentFile.h"

#include "foundation/AtomicFile.h"
#include "foundation/Constants.h"

#include <nlohmann/json.hpp>

#include <sstream>
#include <stdexcept>

namespace korvel::test {

std::string EnvironmentJson(const AgentEnvironment& AEnvironment)
{
    nlohmann::ordered_json keys = nlohmann::ordered_json::array();
    for (const DemoKey& key : AEnvironment.Keys())
        keys.push_back({{"file", key.File.string()}, {"serial", key.Serial}, {"commonName", key.CommonName}});
    const nlohmann::ordered_json description = {
        {"programData", AEnvironment.ProgramDataFolder()},
        {"redisHost", "127.0.0.1"},
        {"redisPort", AEnvironment.RedisPort()},
        {"webUrl", AEnvironment.WebUrl()},
        {"tlsCaFile", AEnvironment.TlsCaFile().string()},
        {"tsaUrl", AEnvironment.TsaUrl()},
        {"authority", AEnvironment.AuthorityName()},
        {"signingCaFile", AEnvironment.SigningCaFile().string()},
        {"passwordFile", AEnvironment.PasswordFile().string()},
        {"keys", keys},
    };
    return description.dump(2) + "\n";
}

void WriteEnvironmentFile(const std::filesystem::path& AFile, const AgentEnvironment& AEnvironment)
{
    if (!WriteFileAtomically(AFile.string(), EnvironmentJson(AEnvironment), 0644))
        throw std::runtime_error("cannot write " + AFile.string());
}

std::string EnvironmentSummary(const AgentEnvironment& AEnvironment)
{
    std::ostringstream text;
    text << "redis-server   127.0.0.1:" << AEnvironment.RedisPort() << " (users " << constants::RedisUser << " and "
         << constants::RedisTestUser << ")\n"
         << "web server     " << AEnvironment.WebUrl() << " (authority list, certificates file)\n"
         << "time stamps    " << AEnvironment.TsaUrl() << '\n'
         << "config.ini     " << AEnvironment.ProgramDataFolder() << "config.ini\n"
         << "authority      " << AEnvironment.AuthorityName() << " (CA certificate "
         << AEnvironment.SigningCaFile().string() << ")\n";
    for (const DemoKey& key : AEnvironment.Keys())
        text << "key            " << key.File.string() << "  serial " << key.Serial << "  " << key.CommonName << '\n';
    text << "key password   in " << AEnvironment.PasswordFile().string() << '\n';
    return text.str();
}

}  // namespace korvel::test
