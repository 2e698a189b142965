#pragma once

// What korvel-fixtures tells its caller about a running AgentEnvironment: a JSON description for
// scripts and tests (environment.json), and a short summary for people.
//
// environment.json:
//   {"programData": ".../", "redisHost": "127.0.0.1", "redisPort": 40001,
//    "webUrl": "https://127.0.0.1:40002", "tlsCaFile": "...", "tsaUrl": "http://127.0.0.1:40003/",
//    "authority": "Тестовий ЦСК", "signingCaFile": "...", "passwordFile": "...",
//    "keys": [{"file": ".../demo-key-1.p12", "serial": "4B...", "commonName": "..."}]}

#include "fixtures/AgentEnvironment.h"

#include <filesystem>
#include <string>

namespace korvel::test {

std::string EnvironmentJson(const AgentEnvironment& AEnvironment);

// Replaces AFile with the description at once, so a reader never sees half of it.
void WriteEnvironmentFile(const std::filesystem::path& AFile, const AgentEnvironment& AEnvironment);

// A few lines: the servers, the authority and the keys.
std::string EnvironmentSummary(const AgentEnvironment& AEnvironment);

}  // namespace korvel::test
