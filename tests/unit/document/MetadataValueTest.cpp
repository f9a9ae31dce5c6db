#include "MetadataValue.h"

#include <gtest/gtest.h>

namespace brivane::document {
namespace {

constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
constexpr auto kMin = std::numeric_limits<std::int64_t>::min();

TEST(MetadataValue, TypedReads) {
    // JSON text of the member "v"; its Int(), Text() and String().
    const std::tuple<const char*, std::optional<std::int64_t>, std::string, std::optional<std::string>> cases[] = {
        {"5", 5, "5", std::nullopt},
        {"1.9", 1, "1.9", std::nullopt},
        {"-1.5", -1, "-1.5", std::nullopt},
        {"800.0", 800, "800", std::nullopt},
        {"true", 1, "true", std::nullopt},
        {"\"12\"", std::nullopt, "12", "12"},
        {"null", std::nullopt, "", std::nullopt},
        {"[1]", std::nullopt, "", std::nullopt},
        // Out of the signed 64-bit range: saturate rather than wrap or trap.
        {"18446744073709551615", kMax, "18446744073709551615", std::nullopt},
        {"1e300", kMax, "1e+300", std::nullopt},
        {"-1e300", kMin, "-1e+300", std::nullopt},
        {"9223372036854775808.0", kMax, "9223372036854775808", std::nullopt},
    };
    for (const auto& [member, asInt, asText, asString] : cases) {
        SCOPED_TRACE(member);
        const auto doc = ParseMetadata(std::string("{\"v\":") + member + "}");
        ASSERT_TRUE(doc);
        const MetadataValue v = MetadataValue(*doc)["v"];
        EXPECT_EQ(v.Int(), asInt);
        EXPECT_EQ(v.Text(), asText);
        EXPECT_EQ(v.String(), asString);
    }
}

TEST(MetadataValue, LookupThroughNonObjectsYieldsNull) {
    for (const char* text : {R"({"design":"a string"})", R"({})", R"({"design":[{"title":"x"}]})",
                             R"([{"design":{"title":"x"}}])", R"({"Design":{"title":"x"}})"}) {
        SCOPED_TRACE(text);
        const auto doc = ParseMetadata(text);
        ASSERT_TRUE(doc);
        const MetadataValue v = MetadataValue(*doc)["design"]["title"];
        EXPECT_EQ(v.Int(), std::nullopt);
        EXPECT_EQ(v.Text(), "");
        EXPECT_EQ(v.String(), std::nullopt);
    }
}

TEST(MetadataValue, ParseAcceptsOnlyObjectsAndArrays) {
    const std::pair<std::string, bool> cases[] = {
        {"{}", true},
        {"[]", true},
        {"\xEF\xBB\xBF{\"app\":1}", true},
        {"", false},
        {"5", false},
        {"{", false},
        {"{\"a\":NaN}", false},
        {"{\"a\":1e999}", false},
        {"{} trailing", false},
        {std::string(100000, '['), false},
    };
    for (const auto& [text, parses] : cases) EXPECT_EQ(ParseMetadata(text).has_value(), parses) << text.substr(0, 40);
}

}  // namespace
}  // namespace brivane::document
