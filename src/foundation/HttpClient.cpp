#include "foundation/HttpClient.h"

#include "foundation/AtomicFile.h"
#include "foundation/FormEncoding.h"
#include "foundation/HttpRequest.h"
#include "foundation/InternetConnection.h"
#include "foundation/Log.h"
#include "foundation/Param.h"

#include <stdexcept>

namespace korvel {

namespace {

constexpr long StatusOk = 200;
constexpr std::chrono::milliseconds PostConnectTimeout{10000};
constexpr std::chrono::milliseconds PostResponseTimeout{15000};

THttpRequest::TBodySink AppendTo(std::string& ABody)
{
    return [&ABody](std::string_view APiece) {
        ABody.append(APiece);
        return true;
    };
}

THttpRequest::TBodySink WriteTo(std::ostream& AStream)
{
    return [&AStream](std::string_view APiece) {
        AStream.write(APiece.data(), static_cast<std::streamsize>(APiece.size()));
        return static_cast<bool>(AStream);
    };
}

void WriteDownloadedFile(const std::string& AFileName, const std::string& ABytes)
{
    // Replaced as a whole, so a failed write never leaves a truncated file where a good one was.
    // Readable by all: the machine-wide folder is shared by the service and the users' programs.
    if (!WriteFileAtomically(AFileName, ABytes, 0644))
        throw std::runtime_error("Cannot write file \"" + AFileName + "\"");
}

}  // namespace

bool HttpPostForm(const std::string& AURL, const std::vector<std::string>& AFields, std::string& AResponse)
{
    try {
        THttpRequest request(AURL);
        request.SetAccept("application/json");
        request.SetConnectTimeout(PostConnectTimeout);
        request.SetResponseTimeout(PostResponseTimeout);
        request.SetFormBody(EncodeFormFields(AFields));
        std::string body;
        const long status = request.Perform(AppendTo(body));
        AResponse = std::move(body);
        return status == StatusOk;
    } catch (const std::exception& error) {
        AResponse = error.what();
        return false;
    }
}

bool HttpGetToStream(const std::string& AURL, std::ostream& AStream, int ATimeoutSeconds)
{
    THttpRequest request(AURL);
    request.SetAccept("application/octet-stream");
    if (ATimeoutSeconds > 0)
        request.SetResponseTimeout(std::chrono::seconds(ATimeoutSeconds));
    return request.Perform(WriteTo(AStream)) == StatusOk;
}

bool HttpGetToFile(const std::string& AURL, const std::string& AFileName)
{
    THttpRequest request(AURL);
    std::string body;
    if (request.Perform(AppendTo(body)) != StatusOk)
        return false;
    if (!AFileName.empty())
        WriteDownloadedFile(AFileName, body);
    return true;
}

bool IsServerReachable()
{
    if (!IsInternetConnected())
        return false;
    try {
        return HttpGetToFile(TParam::GetApiUrl(), "");
    } catch (const std::exception& error) {
        TLog::Log("Відсутній зв'язок з сервером: " + std::string(error.what()));
        return false;
    }
}

}  // namespace korvel
