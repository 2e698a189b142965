#include "channel/RedisLogin.h"

#include "foundation/Constants.h"
#include "foundation/Param.h"
#include "foundation/SecretScrambler.h"

#include <algorithm>

namespace korvel {
namespace {

// The plain password lives only for the AUTH and is wiped whatever happens.
class TPlainPassword {
public:
    explicit TPlainPassword(std::string AText) : FText(std::move(AText)) {}
    ~TPlainPassword() { std::fill(FText.begin(), FText.end(), '\0'); }
    TPlainPassword(const TPlainPassword&) = delete;
    TPlainPassword& operator=(const TPlainPassword&) = delete;
    const std::string& Text() const { return FText; }

private:
    std::string FText;
};

}  // namespace

std::unique_ptr<TRedisConnection> OpenRedisConnection(bool ATestMode, const std::string& AName)
{
    auto connection = std::make_unique<TRedisConnection>(
        ATestMode ? TParam::GetRedisTestHost() : TParam::GetRedisHost(), TParam::GetRedisPort(), RedisCommandTimeout);
    {
        const TPlainPassword password(
            DecipherStoredSecret(ATestMode ? TParam::GetRedisTestPassword() : TParam::GetRedisPassword()));
        connection->Auth(std::string(ATestMode ? constants::RedisTestUser : constants::RedisUser), password.Text());
    }
    connection->SetName(AName);
    return connection;
}

}  // namespace korvel
