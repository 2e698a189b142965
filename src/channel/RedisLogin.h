#pragma once

// Opens a connection the way every part of the program does: the mode's server and port from
// config.ini, AUTH as the mode's user with the deciphered password, then CLIENT SETNAME.

#include "channel/RedisConnection.h"

#include <chrono>
#include <memory>
#include <string>

namespace korvel {

// Connects and commands never wait longer than this, so a dead server cannot hold the caller.
constexpr std::chrono::milliseconds RedisCommandTimeout{5000};

// ATestMode: the test server and the test user. Throws with the client's or server's message.
std::unique_ptr<TRedisConnection> OpenRedisConnection(bool ATestMode, const std::string& AName);

}  // namespace korvel
