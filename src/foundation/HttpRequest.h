#pragma once

// One HTTP(S) exchange on a client of its own, carrying the program's identification and TLS
// settings. Nothing is shared between requests, so any thread may make one.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace korvel {

class THttpRequest {
public:
    // Receives the response body piece by piece as it arrives; false stops the transfer.
    using TBodySink = std::function<bool(std::string_view APiece)>;

    explicit THttpRequest(const std::string& AURL);
    ~THttpRequest();
    THttpRequest(const THttpRequest&) = delete;
    THttpRequest& operator=(const THttpRequest&) = delete;

    void SetAccept(const std::string& AContentType);
    void SetConnectTimeout(std::chrono::milliseconds ATimeout);
    // The longest wait for the next piece of the response.
    void SetResponseTimeout(std::chrono::milliseconds ATimeout);
    // Makes the request a POST of an already encoded form body.
    void SetFormBody(std::string ABody);

    // Sends the request and hands the body to ASink. Returns the HTTP status; a failure of the
    // transport (connection, time-out, TLS, a refused sink) raises std::runtime_error.
    long Perform(const TBodySink& ASink);

    // The client handle and what its callbacks reach; defined in the source only.
    struct TState;

private:
    std::unique_ptr<TState> FState;
};

}  // namespace korvel
