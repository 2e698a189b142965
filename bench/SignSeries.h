#pragma once

// The business server's SIGN requests of one series and the check of their replies. The requests
// take the first keys in turn, by the running number of their message key; every reply must come
// from the key asked, and a reply without a signature is counted, not refused.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvel::bench {

class TSignSeries {
public:
    // AData: base64, as the request carries it. ASignType: the CADES code; no content time-stamp.
    TSignSeries(const std::vector<std::string>& ASerials, std::size_t AKeyCount, std::string AData,
                std::int64_t ASignType);

    // The request envelope for the message key AKey ("bench-<series>-<number>").
    std::string Request(const std::string& AKey) const;
    // False when AReply is not the reply of AKey's key to AKey.
    bool IsReply(const std::string& AKey, const std::string& AReply);
    // Replies taken so far that carried no signature.
    std::size_t Unsigned() const { return FUnsigned; }

private:
    const std::string& SerialFor(const std::string& AKey) const;

    std::vector<std::string> FSerials;
    std::string FData;
    std::int64_t FSignType;
    std::size_t FUnsigned = 0;
};

}  // namespace korvel::bench
