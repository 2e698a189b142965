#pragma once

// The ground the channel's tests stand on: a program-data folder of their own, a real Redis server that config.ini
// points at, the log captured in a pane, and the process identity of a fixed session. The channel's tasks are
// ended and its state reset after each test.

#include "channel/RedisChannel.h"
#include "foundation/AppConfig.h"
#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"
#include "foundation/ProcessState.h"
#include "foundation/WorkerPool.h"

#include "fixtures/RedisServer.h"
#include "fixtures/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace korvel::test {

inline const std::string ChannelTestClientId = "{0F0E0D0C-0B0A-4908-8706-050403020100}";

class ChannelTestGround : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(FDir.Path() / "Korvel");
        FRedis.WriteConfig();
        TLog::ResetForTests();
        TLog::AttachWindowLines(FLog);
        AppConfig() = {"1.2.3.4", ChannelTestClientId};
        UnloadRequested = false;
    }

    void TearDown() override
    {
        UnloadRequested = true;
        TWorkerPool::Shared().WaitIdle();
        UnloadRequested = false;
        TRedisChannel::ResetForTests();
        TLog::ResetForTests();
    }

    TempDir FDir;
    EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FDir.Folder() + "Korvel/"};
    RedisServer FRedis;
    std::shared_ptr<TLogWindowLines> FLog = std::make_shared<TLogWindowLines>();
};

}  // namespace korvel::test
