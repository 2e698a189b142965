#include "SignTestFixture.h"

#include "foundation/Param.h"
#include "signing/SignState.h"

namespace korvel {
namespace {

using test::HttpsServer;
using test::ServerIdentity;
using test::SignTest;
using TLines = std::vector<std::string>;

// Two names for one authority, cloud services of several kinds, and entries the look-ups skip.
const std::string List = R"([
  {"issuerCNs": ["АЦСК Тест", "Test CA old name"], "cmpAddress": "cmp.test.ua", "tspAddressPort": 80,
   "rate": 1.50, "big": 1e2, "comment": null, "cloud_type": ""},
  "not an object",
  {"name": "no issuerCNs array"},
  {"issuerCNs": []},
  {"issuerCNs": ["Вчасно"], "cloud_type": "vchasno"},
  {"issuerCNs": ["Blank"], "cloud_type": "  "},
  {"issuerCNs": ["Upper null"], "cloud_type": "NULL"},
  {"issuerCNs": ["Json null"], "cloud_type": null},
  {"issuerCNs": ["Other case"], "cloud_type": "Vchasno"},
  {"issuerCNs": ["Test CA old name"], "cmpAddress": "cmp2.test.ua"},
  {"issuerCNs": ["Test CA old name"], "tspAddress": "tsp2.test.ua"}
])";

class SignCreatorsTest : public SignTest {};

TEST_F(SignCreatorsTest, FieldsAreReadAsTextFromEveryEntryOfTheName)
{
    LoadList(List);
    struct TCase {
        const char* Creator;
        const char* Field;
        const char* Value;
    };
    const TCase cases[] = {
        {"АЦСК Тест", "cmpAddress", "cmp.test.ua"},
        {"АЦСК Тест", "tspAddressPort", "80"},
        {"АЦСК Тест", "rate", "1.50"},
        {"АЦСК Тест", "big", "1e2"},
        {"АЦСК Тест", "comment", "null"},
        {"АЦСК Тест", "cloud_type", ""},
        {"АЦСК Тест", "missing", ""},
        {"Test CA old name", "cmpAddress", "cmp2.test.ua"},  // a later entry of the name replaces
        {"Test CA old name", "tspAddressPort", "80"},        // entries without the field keep it
        {"Test CA old name", "tspAddress", "tsp2.test.ua"},
        {"ацск тест", "cmpAddress", ""},
        {"АЦСК Тест ", "cmpAddress", ""},
        {"Unknown", "cmpAddress", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSign::GetDataByCreator(c.Creator, c.Field), c.Value) << c.Creator << " " << c.Field;
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SignCreatorsTest, CloudKeysAreThoseWithAServiceType)
{
    LoadList(List);
    const std::pair<const char*, bool> cases[] = {
        {"Вчасно", true},      {"Other case", true}, {"АЦСК Тест", false},        {"Blank", false},
        {"Upper null", false}, {"Json null", false}, {"Test CA old name", false}, {"Unknown", false},
    };
    for (const auto& [creator, cloud] : cases)
        EXPECT_EQ(TSign::IsCloudKey(creator), cloud) << creator;
}

TEST_F(SignCreatorsTest, NamesAreEqualWhenOneEntryListsBoth)
{
    LoadList(R"([{"issuerCNs": ["A", "A2"]}, {"issuerCNs": ["B"]}])");
    struct TCase {
        const char* C1;
        const char* C2;
        bool Equal;
    };
    const TCase cases[] = {
        {"A", "A2", true}, {"A2", "A", true}, {"A", "A", true}, {"A", "B", false},  {"X", "X", false},
        {"", "", false},   {"A", "", false},  {"", "A", false}, {"a", "A2", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSign::CreatorIsEquals(c.C1, c.C2), c.Equal) << c.C1 << " / " << c.C2;
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(SignCreatorsTest, CreatorIsEqualsLogsAnUnreadableListAndKeepsWhatItFound)
{
    LoadList(R"([{"issuerCNs": ["A", "A2"]}, 5, {"issuerCNs": ["B"]}])");
    EXPECT_TRUE(TSign::CreatorIsEquals("A", "A2"));
    EXPECT_FALSE(TSign::CreatorIsEquals("A", "B"));
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].starts_with("CreatorIsEquals: ")) << lines[0];
    EXPECT_EQ(lines[0], lines[1]);

    LoadList("{not json");
    EXPECT_FALSE(TSign::CreatorIsEquals("A", "A2"));
    const auto parseLines = LogLines();
    ASSERT_EQ(parseLines.size(), 1u);
    EXPECT_TRUE(parseLines[0].starts_with("CreatorIsEquals: [json.exception.parse_error")) << parseLines[0];
}

TEST_F(SignCreatorsTest, DisplayNamesAreTheFirstNameOfEachEntry)
{
    LoadList(R"([{"issuerCNs": ["АЦСК Тест", "Old"]}, {"issuerCNs": []}, {"issuerCNs": ["Вчасно"]}])");
    EXPECT_EQ(TSign::GetListCreatorsName(), (TLines{"АЦСК Тест", "Вчасно"}));
}

TEST_F(SignCreatorsTest, JsonThatIsNoArrayGivesEmptyResults)
{
    LoadList(R"({"issuerCNs": ["A"]})");
    EXPECT_EQ(TSign::GetDataByCreator("A", "issuerCNs"), "");
    EXPECT_FALSE(TSign::IsCloudKey("A"));
    EXPECT_TRUE(TSign::GetListCreatorsName().empty());
    EXPECT_FALSE(TSign::CreatorIsEquals("A", "A"));
    EXPECT_EQ(LogLines(), TLines(4, "Не вдалось розпарсити json"));
}

TEST_F(SignCreatorsTest, TextThatIsNoJsonRaisesTheParserError)
{
    LoadList("<html>");
    const std::function<void()> lookUps[] = {
        [] { TSign::GetDataByCreator("A", "cloud_type"); },
        [] { TSign::IsCloudKey("A"); },
        [] { TSign::GetListCreatorsName(); },
    };
    for (const auto& lookUp : lookUps) {
        try {
            lookUp();
            ADD_FAILURE() << "nothing raised";
        } catch (const std::exception& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with("[json.exception.parse_error")) << error.what();
        }
    }
}

TEST_F(SignCreatorsTest, WithoutAnyListEveryLookUpIsEmpty)
{
    InitialiseLibrary();
    EXPECT_EQ(TSign::GetDataByCreator("A", "cloud_type"), "");
    EXPECT_FALSE(TSign::IsCloudKey("A"));
    EXPECT_EQ(LogLines(), TLines(2, "Відсутній список АЦСК"));

    // The on-demand loads try the server again and log why they got nothing.
    EXPECT_TRUE(TSign::GetListCreatorsName().empty());
    EXPECT_FALSE(TSign::CreatorIsEquals("A", "A"));
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& line : lines)
        EXPECT_TRUE(line.starts_with("Помилка отримання списку АЦСК: ")) << line;

    TSign sign;
    EXPECT_FALSE(TSignTestAccess::SetCreatorSettings(sign, "A"));
    EXPECT_EQ(LogLines(), TLines{"Відсутній список АЦСК"});
    EXPECT_TRUE(Fake().Calls.empty());
}

TEST_F(SignCreatorsTest, DownloadedListIsCachedAndTheCacheServesWhenTheDownloadFails)
{
    const std::string list = R"([{"issuerCNs": ["АЦСК Тест"]}])";
    {
        HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
        server.Routes().Get("/certs/cas.json", server.Reply(200, list));
        server.Start();
        ServeWeb(server);
        EXPECT_EQ(TSign::GetListCreatorsName(), TLines{"АЦСК Тест"});
        EXPECT_EQ(test::ReadFileBytes(ProgramData() / "CAs.json"), list);
        EXPECT_EQ(LogLines(), TLines{"Отримання списку АЦСК  - виконано"});
        // Not fetched again while there is a list.
        TSign::GetListCreatorsName();
        EXPECT_EQ(server.Recorded().Count(), 1u);
    }

    for (const int status : {0, 404}) {
        TSign::ResetForTests();
        HttpsServer server(FCertificates.For(ServerIdentity::Trusted));
        server.Routes().Get("/certs/cas.json", server.Reply(404, "[]"));
        server.Start();
        if (status)
            ServeWeb(server);
        else
            TParam::WriteValue("WEB_URL", FNoServer.Url(""));

        TSign::InitialLibrary();

        EXPECT_EQ(SignState().CreatorsJson(), list) << status;
        EXPECT_EQ(TSign::GetListCreatorsName(), TLines{"АЦСК Тест"}) << status;
        EXPECT_EQ(test::ReadFileBytes(ProgramData() / "CAs.json"), list) << status;
        const auto lines = LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front().starts_with("Помилка отримання списку АЦСК: "), status == 0) << lines.front();
    }
}

TEST_F(SignCreatorsTest, ListFollowsTheTestServerInTestMode)
{
    HttpsServer testing(FCertificates.For(ServerIdentity::Trusted));
    testing.Routes().Get("/certs/cas.json", testing.Reply(200, R"([{"issuerCNs": ["Test"]}])"));
    testing.Start();
    ServeTestWeb(testing);
    TParam::SetDebug(true);
    EXPECT_EQ(TSign::GetListCreatorsName(), TLines{"Test"});
}

}  // namespace
}  // namespace korvel
