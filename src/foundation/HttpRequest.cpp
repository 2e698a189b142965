#include "foundation/HttpRequest.h"

#include "foundation/Param.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <strings.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

namespace korvel {

namespace {

constexpr const char* UserAgent = "Korvel";
// Used where a caller names no time-out of its own.
constexpr std::chrono::milliseconds DefaultConnectTimeout{60000};
constexpr std::chrono::milliseconds DefaultResponseTimeout{60000};
constexpr long MaxRedirects = 5;

void InitialiseCurlOnce()
{
    // curl_global_init is not thread-safe itself; a function-local static makes the first call win.
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (result != CURLE_OK)
        throw std::runtime_error(std::string("HTTP client initialisation failed: ") + curl_easy_strerror(result));
}

struct TCurlCleanup {
    void operator()(CURL* AHandle) const { curl_easy_cleanup(AHandle); }
};

struct TSlistCleanup {
    void operator()(curl_slist* AList) const { curl_slist_free_all(AList); }
};

}  // namespace

struct THttpRequest::TState {
    std::unique_ptr<CURL, TCurlCleanup> Handle;
    std::unique_ptr<curl_slist, TSlistCleanup> Headers;
    std::string FormBody;
    std::string ExtraCaFile;
    std::string CaFileError;
    const TBodySink* Sink = nullptr;
    std::exception_ptr SinkError;
    char ErrorBuffer[CURL_ERROR_SIZE] = {};
};

namespace {

template <typename TValue> void SetOption(CURL* AHandle, CURLoption AOption, TValue AValue)
{
    const CURLcode result = curl_easy_setopt(AHandle, AOption, AValue);
    if (result != CURLE_OK)
        throw std::runtime_error(std::string("HTTP client option refused: ") + curl_easy_strerror(result));
}

void AddHeader(THttpRequest::TState& AState, const std::string& ALine)
{
    curl_slist* list = curl_slist_append(AState.Headers.get(), ALine.c_str());
    if (list == nullptr)
        throw std::bad_alloc();
    AState.Headers.release();
    AState.Headers.reset(list);
}

// Adds the extra trusted CA certificates to the context's store. curl fills the same store from the
// system's trust store, so both are trusted.
CURLcode AddExtraTrust(CURL*, void* ASslContext, void* AState)
{
    auto& state = *static_cast<THttpRequest::TState*>(AState);
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(ASslContext));
    if (X509_STORE_load_file(store, state.ExtraCaFile.c_str()) != 1) {
        state.CaFileError = "Cannot load the trusted certificates file " + state.ExtraCaFile;
        return CURLE_SSL_CACERT_BADFILE;
    }
    return CURLE_OK;
}

size_t ReceiveBody(char* AData, size_t ASize, size_t ACount, void* AState)
{
    auto& state = *static_cast<THttpRequest::TState*>(AState);
    const size_t length = ASize * ACount;
    try {
        return (*state.Sink)(std::string_view(AData, length)) ? length : 0;
    } catch (...) {
        // Exceptions must not cross curl's C frames: keep it and raise it after the transfer.
        state.SinkError = std::current_exception();
        return 0;
    }
}

void SetIdentificationAndTls(CURL* AHandle, THttpRequest::TState& AState)
{
    SetOption(AHandle, CURLOPT_USERAGENT, UserAgent);
    SetOption(AHandle, CURLOPT_SSL_VERIFYPEER, 1L);
    SetOption(AHandle, CURLOPT_SSL_VERIFYHOST, 2L);
    SetOption(AHandle, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    if (!AState.ExtraCaFile.empty()) {
        SetOption(AHandle, CURLOPT_SSL_CTX_FUNCTION, &AddExtraTrust);
        SetOption(AHandle, CURLOPT_SSL_CTX_DATA, static_cast<void*>(&AState));
    }
}

// A redirect never leaves TLS once a request has started with it.
const char* RedirectProtocols(const std::string& AURL)
{
    const bool secure = AURL.size() >= 8 && strncasecmp(AURL.c_str(), "https://", 8) == 0;
    return secure ? "https" : "http,https";
}

void SetTransport(CURL* AHandle, const std::string& AURL, THttpRequest::TState& AState)
{
    // Requests run on worker threads: no signals for name-resolution time-outs.
    SetOption(AHandle, CURLOPT_NOSIGNAL, 1L);
    SetOption(AHandle, CURLOPT_ERRORBUFFER, AState.ErrorBuffer);
    SetOption(AHandle, CURLOPT_PROTOCOLS_STR, "http,https");
    SetOption(AHandle, CURLOPT_FOLLOWLOCATION, 1L);
    SetOption(AHandle, CURLOPT_MAXREDIRS, MaxRedirects);
    SetOption(AHandle, CURLOPT_REDIR_PROTOCOLS_STR, RedirectProtocols(AURL));
    SetOption(AHandle, CURLOPT_WRITEFUNCTION, &ReceiveBody);
    SetOption(AHandle, CURLOPT_WRITEDATA, static_cast<void*>(&AState));
}

std::string TransportErrorText(const THttpRequest::TState& AState, CURLcode AResult)
{
    if (!AState.CaFileError.empty())
        return AState.CaFileError;
    if (AState.ErrorBuffer[0] != '\0')
        return AState.ErrorBuffer;
    return curl_easy_strerror(AResult);
}

}  // namespace

THttpRequest::THttpRequest(const std::string& AURL) : FState(std::make_unique<TState>())
{
    InitialiseCurlOnce();
    FState->Handle.reset(curl_easy_init());
    if (!FState->Handle)
        throw std::runtime_error("HTTP client could not be created");
    FState->ExtraCaFile = TParam::GetTlsCaFile();
    CURL* handle = FState->Handle.get();
    SetOption(handle, CURLOPT_URL, AURL.c_str());
    SetTransport(handle, AURL, *FState);
    SetIdentificationAndTls(handle, *FState);
    SetConnectTimeout(DefaultConnectTimeout);
    SetResponseTimeout(DefaultResponseTimeout);
}

THttpRequest::~THttpRequest() = default;

void THttpRequest::SetAccept(const std::string& AContentType)
{
    AddHeader(*FState, "Accept: " + AContentType);
}

void THttpRequest::SetConnectTimeout(std::chrono::milliseconds ATimeout)
{
    SetOption(FState->Handle.get(), CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ATimeout.count()));
}

void THttpRequest::SetResponseTimeout(std::chrono::milliseconds ATimeout)
{
    // A response that stalls (less than one byte a second) for this long is given up; a slow but
    // steady download of a large file is not cut off.
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(ATimeout).count();
    SetOption(FState->Handle.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
    SetOption(FState->Handle.get(), CURLOPT_LOW_SPEED_TIME, static_cast<long>(seconds));
}

void THttpRequest::SetFormBody(std::string ABody)
{
    FState->FormBody = std::move(ABody);
    CURL* handle = FState->Handle.get();
    SetOption(handle, CURLOPT_POST, 1L);
    SetOption(handle, CURLOPT_POSTFIELDS, FState->FormBody.c_str());
    SetOption(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(FState->FormBody.size()));
    AddHeader(*FState, "Content-Type: application/x-www-form-urlencoded");
    // The body goes at once; waiting for "100 Continue" would only add a round trip.
    AddHeader(*FState, "Expect:");
}

long THttpRequest::Perform(const TBodySink& ASink)
{
    CURL* handle = FState->Handle.get();
    FState->Sink = &ASink;
    SetOption(handle, CURLOPT_HTTPHEADER, FState->Headers.get());
    const CURLcode result = curl_easy_perform(handle);
    FState->Sink = nullptr;
    if (FState->SinkError)
        std::rethrow_exception(FState->SinkError);
    if (result != CURLE_OK)
        throw std::runtime_error(TransportErrorText(*FState, result));
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

}  // namespace korvel
