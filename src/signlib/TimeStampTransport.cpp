#include "signlib/TimeStampTransport.h"

#include "signlib/SignLibrary.h"
#include "signlib/SignLibraryError.h"

#include <curl/curl.h>

#include <memory>

namespace korvel::signlib {

namespace {

constexpr long ConnectTimeoutSeconds = 10;
constexpr long ExchangeTimeoutSeconds = 30;
// A time-stamp reply is a few kilobytes; anything far larger is not one.
constexpr std::size_t MaxReplySize = 1024 * 1024;
constexpr long HttpOk = 200;

struct TCurlCleanup {
    void operator()(CURL* AHandle) const { curl_easy_cleanup(AHandle); }
};
struct TSlistCleanup {
    void operator()(curl_slist* AList) const { curl_slist_free_all(AList); }
};
using TCurlPtr = std::unique_ptr<CURL, TCurlCleanup>;
using TSlistPtr = std::unique_ptr<curl_slist, TSlistCleanup>;

void InitialiseCurlOnce()
{
    // curl_global_init is not thread-safe itself; a function-local static makes the first call win.
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    Require(result == CURLE_OK, EU_ERROR_TSP_SERVER, "HTTP client initialisation failed");
}

size_t CollectReply(char* AData, size_t ASize, size_t ACount, void* AReply)
{
    auto& reply = *static_cast<TBytes*>(AReply);
    const size_t length = ASize * ACount;
    if (reply.size() + length > MaxReplySize)
        return 0;  // curl ends the transfer with a write error
    reply.insert(reply.end(), AData, AData + length);
    return length;
}

template <typename TValue> void SetOption(CURL* AHandle, CURLoption AOption, TValue AValue)
{
    Require(curl_easy_setopt(AHandle, AOption, AValue) == CURLE_OK, EU_ERROR_TSP_SERVER, "HTTP client option refused");
}

std::string ProxyAddress(const TServerSettings& AProxy)
{
    if (!AProxy.Use || AProxy.Address.empty())
        return "";  // an empty proxy also keeps curl from taking one from the environment
    return AProxy.Port.empty() ? AProxy.Address : AProxy.Address + ":" + AProxy.Port;
}

}  // namespace

TBytes PostTimeStampQuery(const std::string& AUrl, const TBytes& AQuery, const TServerSettings& AProxy)
{
    InitialiseCurlOnce();
    TCurlPtr curl(curl_easy_init());
    Require(curl != nullptr, EU_ERROR_TSP_SERVER, "HTTP client unavailable");
    CURL* handle = curl.get();

    TSlistPtr headers(curl_slist_append(nullptr, "Content-Type: application/timestamp-query"));
    Require(headers != nullptr, EU_ERROR_NOT_ENOUGH_MEMORY, "HTTP header");
    const std::string proxy = ProxyAddress(AProxy);
    TBytes reply;

    SetOption(handle, CURLOPT_URL, AUrl.c_str());
    SetOption(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    SetOption(handle, CURLOPT_NOSIGNAL, 1L);  // signals and threads do not mix
    SetOption(handle, CURLOPT_CONNECTTIMEOUT, ConnectTimeoutSeconds);
    SetOption(handle, CURLOPT_TIMEOUT, ExchangeTimeoutSeconds);
    SetOption(handle, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    SetOption(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    SetOption(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    SetOption(handle, CURLOPT_PROXY, proxy.c_str());
    SetOption(handle, CURLOPT_HTTPHEADER, headers.get());
    SetOption(handle, CURLOPT_POSTFIELDS, reinterpret_cast<const char*>(AQuery.data()));
    SetOption(handle, CURLOPT_POSTFIELDSIZE, static_cast<long>(AQuery.size()));
    SetOption(handle, CURLOPT_WRITEFUNCTION, CollectReply);
    SetOption(handle, CURLOPT_WRITEDATA, &reply);

    Require(curl_easy_perform(handle) == CURLE_OK, EU_ERROR_TSP_SERVER, "time-stamp server not reached");
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    Require(status == HttpOk, EU_ERROR_TSP_SERVER, "time-stamp server refused the query");
    return reply;
}

}  // namespace korvel::signlib
