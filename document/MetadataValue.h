#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brivane::document {

// Lenient read access to a metadata document: lookups never fail and typed
// reads yield a default instead of an error. Refers to the document, which
// must outlive it.
class MetadataValue {
public:
    explicit MetadataValue(const nlohmann::json& value) : value_(&value) {}

    // The member key of an object; null for a missing key or a non-object.
    MetadataValue operator[](std::string_view key) const;

    // A number truncated toward zero (saturating at the 64-bit limits),
    // true as 1, false as 0; no value for anything else.
    std::optional<std::int64_t> Int() const;
    // A string as is, a number as decimal text, "true"/"false"; "" otherwise.
    std::string Text() const;
    // Only a string has a value.
    std::optional<std::string> String() const;

private:
    const nlohmann::json* value_;
};

// Real metadata nests a handful of levels. Writing a document back as text,
// and the reader page's script parser, recurse once per level: 512 leaves real
// documents a hundredfold room and keeps every walk far from a thread's stack
// end (a 64 KiB stack would do).
inline constexpr std::size_t MAX_JSON_DEPTH = 512;

// Parses the whole text as one JSON value; absent on any failure, and for a
// document nested deeper than MAX_JSON_DEPTH.
std::optional<nlohmann::json> ParseJson(std::string_view text);
// The same, for metadata: the top level must be an object or an array.
std::optional<nlohmann::json> ParseMetadata(std::string_view text);
// Metadata text as the publishing service writes it: every '/' escaped
// ("files\/user\/a.png"), which is what the asset-path rewrite looks for.
std::string WriteMetadata(const nlohmann::json& metadata);

}  // namespace brivane::document
