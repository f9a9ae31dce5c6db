#include "MetadataValue.h"

#include <gtest/gtest.h>

#include <limits>

namespace brivane::document {
namespace {

constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
constexpr auto kMin = std::numeric_limits<std::int64_t>::min();

struct ValueCase {
    const char* member;  // JSON text of the member "v"
    std::optional<std::int64_t> asInt;
    std::string asText;
    std::optional<std::string> asString;
};

const ValueCase kCases[] = {
    {"5", 5, "5", std::nullopt},
    {"-3", -3, "-3", std::nullopt},
    {"1.9", 1, "1.9", std::nullopt},
    {"-1.5", -1, "-1.5", std::nullopt},
    {"800.0", 800, "800", std::nullopt},
    {"true", 1, "true", std::nullopt},
    {"false", 0, "false", std::nullopt},
    {"\"12\"", std::nullopt, "12", "12"},
    {"\"\"", std::nullopt, "", ""},
    {"null", std::nullopt, "", std::nullopt},
    {"[1]", std::nullopt, "", std::nullopt},
    {"{\"a\":1}", std::nullopt, "", std::nullopt},
    // Out of the signed 64-bit range: saturate rather than wrap or trap.
    {"9223372036854775807", kMax, "9223372036854775807", std::nullopt},
    {"-9223372036854775808", kMin, "-9223372036854775808", std::nullopt},
    {"18446744073709551615", kMax, "18446744073709551615", std::nullopt},
    {"1e300", kMax, "1e+300", std::nullopt},
    {"-1e300", kMin, "-1e+300", std::nullopt},
    {"9223372036854775808.0", kMax, "9223372036854775808", std::nullopt},
};

TEST(MetadataValue, TypedReads) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.member);
        const auto doc = ParseMetadata(std::string("{\"v\":") + c.member + "}");
        ASSERT_TRUE(doc);
        const MetadataValue v = MetadataValue(*doc)["v"];
        EXPECT_EQ(v.Int(), c.asInt);
        EXPECT_EQ(v.Text(), c.asText);
        EXPECT_EQ(v.String(), c.asString);
    }
}

TEST(MetadataValue, LookupThroughNonObjectsYieldsNull) {
    struct Lookup {
        const char* doc;
        const char* outer;
        const char* inner;
    };
    const Lookup cases[] = {
        {R"({"design":"a string"})", "design", "title"},
        {R"({})", "design", "title"},
        {R"({"design":null})", "design", "title"},
        {R"({"design":[{"title":"x"}]})", "design", "title"},
        {R"([{"design":{"title":"x"}}])", "design", "title"},
        {R"({"Design":{"title":"x"}})", "design", "title"},  // keys are case-sensitive
        {R"({"design":{"Title":"x"}})", "design", "title"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.doc);
        const auto doc = ParseMetadata(c.doc);
        ASSERT_TRUE(doc);
        const MetadataValue v = MetadataValue(*doc)[c.outer][c.inner];
        EXPECT_EQ(v.Int(), std::nullopt);
        EXPECT_EQ(v.Text(), "");
        EXPECT_EQ(v.String(), std::nullopt);
    }
}

TEST(MetadataValue, ParseAcceptsOnlyObjectsAndArrays) {
    struct Parse {
        std::string text;
        bool parses;
    };
    const Parse cases[] = {
        {"{}", true},
        {"[]", true},
        {"\xEF\xBB\xBF{\"app\":1}", true},
        {"", false},
        {"5", false},
        {"\"text\"", false},
        {"null", false},
        {"{", false},
        {"{\"a\":NaN}", false},
        {"{\"a\":1e999}", false},
        {"{} trailing", false},
        {"not json at all", false},
        {std::string(100000, '['), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(ParseMetadata(c.text).has_value(), c.parses);
    }
}

}  // namespace
}  // namespace brivane::document
