#include "document/MetadataValue.h"

#include <gtest/gtest.h>

namespace brivane::document {
namespace {

constexpr auto LARGEST = std::numeric_limits<std::int64_t>::max();
constexpr auto SMALLEST = std::numeric_limits<std::int64_t>::min();

TEST(MetadataValue, TypedReads) {
    // JSON text of the member "v"; its Int(), Text() and String().
    const std::tuple<std::string, std::optional<std::int64_t>, std::string, std::optional<std::string>> cases[] = {
        {"5", 5, "5", std::nullopt},
        {"1.9", 1, "1.9", std::nullopt},
        {"-1.5", -1, "-1.5", std::nullopt},
        {"800.0", 800, "800", std::nullopt},
        // An integral value reads as its plain digits, whatever its notation.
        {"100000.0", 100000, "100000", std::nullopt},
        {"1e20", LARGEST, "100000000000000000000", std::nullopt},
        {"-0.0", 0, "0", std::nullopt},
        {"2.5e-3", 0, "0.0025", std::nullopt},
        {"true", 1, "true", std::nullopt},
        {"\"12\"", std::nullopt, "12", "12"},
        {"null", std::nullopt, "", std::nullopt},
        {"[1]", std::nullopt, "", std::nullopt},
        // Out of the signed 64-bit range: saturate rather than wrap or trap.
        {"18446744073709551615", LARGEST, "18446744073709551615", std::nullopt},
        {"1e300", LARGEST, "1" + std::string(300, '0'), std::nullopt},
        {"-1e300", SMALLEST, "-1" + std::string(300, '0'), std::nullopt},
        // Shortest digits that read back the same, then zeros: as the page's
        // script writes it.
        {"9223372036854775808.0", LARGEST, "9223372036854776000", std::nullopt},
    };
    for (const auto& [member, asInt, asText, asString] : cases) {
        SCOPED_TRACE(member);
        const auto doc = ParseMetadata("{\"v\":" + member + "}");
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

std::string Nested(std::size_t depth, const std::string& inner = "1") {
    return std::string(depth, '[') + inner + std::string(depth, ']');
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
        // The whole text is the document: a NUL does not end it early.
        {std::string("{\"app\":2}\0trailing", 18), false},
        {std::string("{\"app\":2}\0", 10), false},
        {std::string("{\"a\":\"x\0y\"}", 11), false},
        {"{\"a\":\"x\\u0000y\"}", true},
        // Depth is bounded before anything walks the document.
        {Nested(MAX_JSON_DEPTH), true},
        {Nested(MAX_JSON_DEPTH + 1), false},
        {Nested(100000), false},
        {"{\"a\":" + Nested(MAX_JSON_DEPTH - 1) + "}", true},
        {"{\"a\":" + Nested(MAX_JSON_DEPTH) + "}", false},
        {Nested(MAX_JSON_DEPTH, "\"[[[[\\\"{{\""), true},  // brackets inside strings are text
    };
    for (const auto& [text, parses] : cases) EXPECT_EQ(ParseMetadata(text).has_value(), parses) << text.substr(0, 40);
}

}  // namespace
}  // namespace brivane::document
