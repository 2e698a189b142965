#include "foundation/HttpClient.h"

#include "foundation/InternetConnection.h"
#include "foundation/Log.h"
#include "foundation/Param.h"

#include "fixtures/HttpsServer.h"
#include "fixtures/TempDir.h"
#include "fixtures/TestCertificates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel {
namespace {

using test::ClosedLoopbackPort;
using test::HttpsServer;
using test::ServerIdentity;

const std::string JsonOk = R"({"status":"ok"})";
const std::string JsonError = R"({"error":"Невірний токен"})";
// Every byte value, so nothing is lost or translated on the way.
const std::string BinaryBody = [] {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}();

// The program-data folder (config.ini, the test certificates) and the log folder are temporary;
// the test CA is trusted unless a test says otherwise.
class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TLog::ResetForTests();
        TrustCa(FCertificates.CaFile().string());
    }
    void TearDown() override
    {
        SetConnectedStateQuery(nullptr);
        TLog::ResetForTests();
    }

    void TrustCa(const std::string& caFile) { TParam::WriteValue("TLS_CA_FILE", caFile); }
    void TrustSystemOnly() { TParam::WriteValue("TLS_CA_FILE", ""); }

    std::filesystem::path FileIn(const std::string& name) const { return FFolder.Path() / name; }

    // Everything logged during the test.
    std::string LoggedText() const
    {
        std::string text;
        for (const auto& file : std::filesystem::directory_iterator(FLogFolder.Path()))
            text += test::ReadFileBytes(file.path());
        return text;
    }

    test::TempDir FFolder;
    test::TempDir FLogFolder;
    test::EnvGuard FProgramData{"KORVEL_PROGRAMDATA", FFolder.Folder()};
    test::EnvGuard FLogDir{"KORVEL_LOG_DIR", FLogFolder.Folder()};
    test::TestCertificates FCertificates{FFolder.Path()};
};

// --- TLS trust ---

struct UntrustedCase {
    const char* Name;
    ServerIdentity Identity;
    const char* ErrorFragment;  // what the error text must say
};

void PrintTo(const UntrustedCase& value, std::ostream* out)
{
    *out << value.Name;
}

class UntrustedServer : public HttpClientTest, public ::testing::WithParamInterface<UntrustedCase> {};

TEST_P(UntrustedServer, IsRefusedByEveryHelperAsATransportError)
{
    HttpsServer server(FCertificates.For(GetParam().Identity));
    server.Routes().Get("/file", server.Reply(200, "secret", "application/octet-stream"));
    server.Routes().Post("/form", server.Reply(200, JsonOk));
    server.Start();
    const std::string fragment = GetParam().ErrorFragment;

    std::string response;
    EXPECT_FALSE(HttpPostForm(server.Url("/form"), {"password=1"}, response));
    EXPECT_NE(response.find(fragment), std::string::npos) << response;

    std::ostringstream stream;
    try {
        HttpGetToStream(server.Url("/file"), stream, 0);
        ADD_FAILURE() << "HttpGetToStream did not raise";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(fragment), std::string::npos) << error.what();
    }
    EXPECT_EQ(stream.str(), "");

    const auto file = FileIn("download.bin");
    EXPECT_THROW(HttpGetToFile(server.Url("/file"), file.string()), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(file));

    EXPECT_EQ(server.Recorded().Count(), 0u) << "a request reached an untrusted server";
}

INSTANTIATE_TEST_SUITE_P(Identities, UntrustedServer,
                         ::testing::Values(UntrustedCase{"SelfSigned", ServerIdentity::SelfSigned, "self-signed"},
                                           UntrustedCase{"OtherHost", ServerIdentity::OtherHost, "host name"},
                                           UntrustedCase{"Expired", ServerIdentity::Expired, "expired"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(HttpClientTest, ServerOfTheExtraCaIsTrustedOnlyWhileTheCaIsConfigured)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/", server.Reply(200, "ok", "text/plain"));
    server.Start();

    EXPECT_TRUE(HttpGetToFile(server.Url("/"), ""));

    TrustSystemOnly();
    EXPECT_THROW(HttpGetToFile(server.Url("/"), ""), std::runtime_error);
}

TEST_F(HttpClientTest, UnreadableCaFileIsReportedByName)
{
    const std::string missing = FileIn("missing-ca.pem").string();
    TrustCa(missing);
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Start();

    std::string response;
    EXPECT_FALSE(HttpPostForm(server.Url("/"), {}, response));
    EXPECT_NE(response.find(missing), std::string::npos) << response;
}

TEST_F(HttpClientTest, RedirectIsFollowedButNeverOutOfTls)
{
    ClosedLoopbackPort plain;
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/moved", [&server](const httplib::Request&, httplib::Response& response) {
        response.set_redirect(server.Url("/file"));
    });
    server.Routes().Get("/downgraded", [&plain](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("http://127.0.0.1:" + std::to_string(plain.Port()) + "/file");
    });
    server.Routes().Get("/file", server.Reply(200, BinaryBody, "application/octet-stream"));
    server.Start();

    std::ostringstream moved;
    EXPECT_TRUE(HttpGetToStream(server.Url("/moved"), moved, 0));
    EXPECT_EQ(moved.str(), BinaryBody);

    std::ostringstream downgraded;
    try {
        HttpGetToStream(server.Url("/downgraded"), downgraded, 0);
        ADD_FAILURE() << "HttpGetToStream followed a redirect to plain HTTP";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("http"), std::string::npos) << error.what();
        EXPECT_EQ(std::string(error.what()).find("connect"), std::string::npos) << error.what();
    }
}

// --- HttpPostForm ---

TEST_F(HttpClientTest, PostFormSendsEncodedFieldsWithTheProgramsHeaders)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Post("/api/v1/cloud-sign", server.Reply(200, JsonOk));
    server.Start();

    std::string response;
    ASSERT_TRUE(
        HttpPostForm(server.Url("/api/v1/cloud-sign"), {"fio=Іван Петренко", "query=a&b=c", "data=QQ=="}, response))
        << response;

    EXPECT_EQ(response, JsonOk);
    const auto requests = server.Recorded().Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& seen = requests[0];
    EXPECT_EQ(seen.Method, "POST");
    EXPECT_EQ(seen.Body, "fio=%D0%86%D0%B2%D0%B0%D0%BD+%D0%9F%D0%B5%D1%82%D1%80%D0%B5%D0%BD%D0%BA%D0%BE"
                         "&query=a%26b%3Dc&data=QQ%3D%3D");
    EXPECT_EQ(seen.Header("User-Agent"), "Korvel");
    EXPECT_EQ(seen.Header("Accept"), "application/json");
    EXPECT_EQ(seen.Header("Content-Type"), "application/x-www-form-urlencoded");
}

struct PostStatusCase {
    const char* Name;
    int Status;
    std::string Body;
    bool Result;
};

void PrintTo(const PostStatusCase& value, std::ostream* out)
{
    *out << value.Name;
}

class PostFormStatus : public HttpClientTest, public ::testing::WithParamInterface<PostStatusCase> {};

TEST_P(PostFormStatus, HandsBackTheBodyWhateverTheStatus)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Post("/form", server.Reply(GetParam().Status, GetParam().Body));
    server.Start();

    std::string response = "stale";
    EXPECT_EQ(HttpPostForm(server.Url("/form"), {"a=1"}, response), GetParam().Result);
    EXPECT_EQ(response, GetParam().Body);
}

INSTANTIATE_TEST_SUITE_P(Statuses, PostFormStatus,
                         ::testing::Values(PostStatusCase{"Ok", 200, JsonOk, true},
                                           PostStatusCase{"ServerError", 500, JsonError, false},
                                           PostStatusCase{"Created", 201, JsonOk, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

// --- a host that accepts no connection ---

TEST_F(HttpClientTest, RefusedConnectionIsATransportErrorOfEachHelper)
{
    ClosedLoopbackPort closed;

    std::string response;
    EXPECT_FALSE(HttpPostForm(closed.Url("/form"), {"a=1"}, response));
    EXPECT_NE(response.find(std::to_string(closed.Port())), std::string::npos) << response;

    std::ostringstream stream;
    EXPECT_THROW(HttpGetToStream(closed.Url("/"), stream, 0), std::runtime_error);
    EXPECT_THROW(HttpGetToFile(closed.Url("/"), FileIn("out.bin").string()), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(FileIn("out.bin")));
}

// --- HttpGetToStream ---

TEST_F(HttpClientTest, GetToStreamWritesTheBodyWhateverTheStatus)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/certs/cas.json", server.Reply(200, BinaryBody, "application/octet-stream"));
    server.Routes().Get("/missing", server.Reply(404, "not here", "text/plain"));
    server.Start();

    std::ostringstream found;
    EXPECT_TRUE(HttpGetToStream(server.Url("/certs/cas.json"), found, 0));
    EXPECT_EQ(found.str(), BinaryBody);

    std::ostringstream missing;
    EXPECT_FALSE(HttpGetToStream(server.Url("/missing"), missing, 0));
    EXPECT_EQ(missing.str(), "not here");

    const auto seen = server.Recorded().Requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].Method, "GET");
    EXPECT_EQ(seen[0].Header("User-Agent"), "Korvel");
    EXPECT_EQ(seen[0].Header("Accept"), "application/octet-stream");
}

TEST_F(HttpClientTest, GetToStreamGivesUpOnAStalledResponse)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    server.Routes().Get("/slow", [released](const httplib::Request&, httplib::Response& response) {
        released.wait_for(std::chrono::seconds(30));
        response.set_content("late", "text/plain");
    });
    server.Start();

    std::ostringstream stream;
    EXPECT_THROW(HttpGetToStream(server.Url("/slow"), stream, 1), std::runtime_error);
    release.set_value();
}

TEST_F(HttpClientTest, GetToStreamFailsWhenTheStreamRefusesTheBody)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/file", server.Reply(200, BinaryBody, "application/octet-stream"));
    server.Start();

    std::ostringstream stream;
    stream.setstate(std::ios::badbit);
    EXPECT_THROW(HttpGetToStream(server.Url("/file"), stream, 0), std::runtime_error);
}

// --- HttpGetToFile ---

TEST_F(HttpClientTest, GetToFileReplacesTheFileOnStatus200)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/certs/CACertificates.p7b", server.Reply(200, BinaryBody, "application/octet-stream"));
    server.Start();
    const auto file = FileIn("CACertificates.p7b");
    test::WriteFileBytes(file, std::string(1000, 'x'));  // longer than the new body

    EXPECT_TRUE(HttpGetToFile(server.Url("/certs/CACertificates.p7b"), file.string()));

    EXPECT_EQ(test::ReadFileBytes(file), BinaryBody);
}

TEST_F(HttpClientTest, GetToFileWithoutAFileNameWritesNothing)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/", server.Reply(200, "ok", "text/plain"));
    server.Start();
    const auto before = std::distance(std::filesystem::directory_iterator(FFolder.Path()), {});

    EXPECT_TRUE(HttpGetToFile(server.Url("/"), ""));

    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FFolder.Path()), {}), before);
}

TEST_F(HttpClientTest, GetToFileLeavesTheFileUntouchedOnOtherStatus)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/missing", server.Reply(404, "not here", "text/plain"));
    server.Start();
    const auto file = FileIn("Korvel.new");
    test::WriteFileBytes(file, "previous");

    EXPECT_FALSE(HttpGetToFile(server.Url("/missing"), file.string()));

    EXPECT_EQ(test::ReadFileBytes(file), "previous");
}

TEST_F(HttpClientTest, GetToFileRaisesWhenTheFileCannotBeWritten)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/", server.Reply(200, "ok", "text/plain"));
    server.Start();
    const auto file = FileIn("no-such-folder") / "out.bin";

    try {
        HttpGetToFile(server.Url("/"), file.string());
        ADD_FAILURE() << "HttpGetToFile did not raise";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos) << error.what();
    }
}

// --- IsServerReachable ---

class ServerReachable : public HttpClientTest {
protected:
    void SetUp() override
    {
        HttpClientTest::SetUp();
        // The test host may have no network interface but loopback.
        SetConnectedStateQuery([] { return true; });
    }
};

TEST_F(ServerReachable, OfflineMachineAsksNoServerAndLogsNothing)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/", server.Reply(200, "ok", "text/plain"));
    server.Start();
    TParam::WriteValue("API_URL", server.Url("/"));
    SetConnectedStateQuery([] { return false; });

    EXPECT_FALSE(IsServerReachable());

    EXPECT_EQ(server.Recorded().Count(), 0u);
    EXPECT_EQ(LoggedText(), "");
}

TEST_F(ServerReachable, AnswerOfTheApiServerDecidesWithoutALogLine)
{
    HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
    server.Routes().Get("/", server.Reply(200, "ok", "text/plain"));
    server.Routes().Get("/down", server.Reply(503, "maintenance", "text/plain"));
    server.Start();

    TParam::WriteValue("API_URL", server.Url("/"));
    EXPECT_TRUE(IsServerReachable());
    TParam::WriteValue("API_URL", server.Url("/down"));
    EXPECT_FALSE(IsServerReachable());

    EXPECT_EQ(server.Recorded().Count(), 2u);
    EXPECT_EQ(LoggedText(), "");
}

TEST_F(ServerReachable, FailedRequestIsLoggedOnce)
{
    ClosedLoopbackPort closed;
    TParam::WriteValue("API_URL", closed.Url("/"));

    EXPECT_FALSE(IsServerReachable());

    const std::string logged = LoggedText();
    const std::string expected =
        ": Відсутній зв'язок з сервером: Failed to connect to 127.0.0.1 port " + std::to_string(closed.Port());
    EXPECT_NE(logged.find(expected), std::string::npos) << logged;
    EXPECT_EQ(logged.find('\n'), logged.size() - 1) << "exactly one line: " << logged;
}

}  // namespace
}  // namespace korvel
