#include "foundation/FormEncoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvel {
namespace {

struct FormCase {
    const char* Name;
    std::vector<std::string> Fields;
    std::string Body;
};

void PrintTo(const FormCase& value, std::ostream* out)
{
    *out << value.Name;
}

class FormEncoding : public ::testing::TestWithParam<FormCase> {};

TEST_P(FormEncoding, EncodesNamesAndValues)
{
    EXPECT_EQ(EncodeFormFields(GetParam().Fields), GetParam().Body);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormEncoding,
    ::testing::Values(FormCase{"Plain", {"token=abc123", "mode=1"}, "token=abc123&mode=1"},
                      FormCase{"SplitAtFirstEquals", {"query=a=b&c=d"}, "query=a%3Db%26c%3Dd"},
                      FormCase{"CyrillicAsUtf8",
                               {"fio=Іван Петренко"},
                               "fio=%D0%86%D0%B2%D0%B0%D0%BD+%D0%9F%D0%B5%D1%82%D1%80%D0%B5%D0%BD%D0%BA%D0%BE"},
                      FormCase{"ReservedInName", {"a b&c=1"}, "a+b%26c=1"},
                      FormCase{"Base64Value", {"data=QUJD+/x=="}, "data=QUJD%2B%2Fx%3D%3D"},
                      FormCase{"EmptyValueAndNoEquals", {"empty=", "flag"}, "empty=&flag="},
                      FormCase{"EmptyLinesSkipped", {"", "a=1", ""}, "a=1"}, FormCase{"NoFields", {}, ""},
                      FormCase{"KeptCharacters", {"k=AZaz09*-._~%"}, "k=AZaz09*-._%7E%25"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace korvel
