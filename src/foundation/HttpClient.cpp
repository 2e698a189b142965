#include "foundation/HttpClient.h"

#include "foundation/FormEncoding.h"
#include "foundation/HttpRequest.h"
#include "foundation/InternetConnection.h"
#include "foundation/Log.h"
#include "foundation/Param.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
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

class TFileDescriptor {
public:
    explicit TFileDescriptor(int AFd) : FFd(AFd) {}
    ~TFileDescriptor()
    {
        if (FFd >= 0)
            close(FFd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return FFd; }
    bool Close()
    {
        const int fd = FFd;
        FFd = -1;
        return close(fd) == 0;
    }

private:
    int FFd;
};

[[noreturn]] void ThrowFileError(const std::string& AFileName, int AError)
{
    throw std::runtime_error("Cannot write file \"" + AFileName + "\": " + std::strerror(AError));
}

std::string TemporaryNameBeside(const std::string& AFileName)
{
    static std::atomic<unsigned> counter{0};
    return AFileName + ".part" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

bool WriteAll(int AFd, const std::string& ABytes)
{
    const char* next = ABytes.data();
    size_t left = ABytes.size();
    while (left > 0) {
        const ssize_t written = write(AFd, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        next += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

// Written beside the target and renamed over it, so a failed write never leaves a truncated file
// where a good one was.
void ReplaceFile(const std::string& AFileName, const std::string& ABytes)
{
    const std::string temporary = TemporaryNameBeside(AFileName);
    TFileDescriptor file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.Get() < 0)
        ThrowFileError(AFileName, errno);
    const bool written = WriteAll(file.Get(), ABytes) && fsync(file.Get()) == 0 && file.Close() &&
                         rename(temporary.c_str(), AFileName.c_str()) == 0;
    if (!written) {
        const int error = errno;
        unlink(temporary.c_str());
        ThrowFileError(AFileName, error);
    }
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
        ReplaceFile(AFileName, body);
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
