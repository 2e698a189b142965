#include "SignSeries.h"

#include "channel/Envelope.h"

#include <nlohmann/json.hpp>

namespace korvel::bench {
namespace {

// The running number at the end of a message key ("bench-3-17" → 17).
std::size_t RequestNumber(const std::string& AKey)
{
    return std::stoul(AKey.substr(AKey.rfind('-') + 1));
}

}  // namespace

TSignSeries::TSignSeries(const std::vector<std::string>& ASerials, std::size_t AKeyCount, std::string AData,
                         std::int64_t ASignType)
    : FSerials(ASerials.begin(), ASerials.begin() + static_cast<std::ptrdiff_t>(AKeyCount)), FData(std::move(AData)),
      FSignType(ASignType)
{
}

std::string TSignSeries::Request(const std::string& AKey) const
{
    return nlohmann::json{{"message_type", "SIGN"},
                          {"serial", SerialFor(AKey)},
                          {"key", AKey},
                          {"checksum", MessageChecksum(AKey)},
                          {"data", FData},
                          {"is_request", true},
                          {"CADES", FSignType},
                          {"INCLUDE_CONTENT_TIMESTAMP", false}}
        .dump();
}

bool TSignSeries::IsReply(const std::string& AKey, const std::string& AReply)
{
    const auto reply = nlohmann::json::parse(AReply, nullptr, false);
    if (!reply.is_object() || reply.value("message_type", "") != "SIGN" || reply.value("key", "") != AKey ||
        reply.value("serial", "") != SerialFor(AKey) || reply.value("checksum", "") != MessageChecksum(AKey) ||
        reply.value("is_request", true))
        return false;
    if (reply.value("data", "").empty())
        ++FUnsigned;
    return true;
}

const std::string& TSignSeries::SerialFor(const std::string& AKey) const
{
    return FSerials[RequestNumber(AKey) % FSerials.size()];
}

}  // namespace korvel::bench
