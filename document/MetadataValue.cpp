#include "document/MetadataValue.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace brivane::document {

namespace {

const nlohmann::json& Null() {
    static const nlohmann::json null;
    return null;
}

std::int64_t TruncateToInt64(double d) {
    // Converting an out-of-range double is undefined: saturate instead.
    constexpr double TWO_TO_63 = 9223372036854775808.0;
    const double t = std::trunc(d);
    if (t >= TWO_TO_63) return std::numeric_limits<std::int64_t>::max();
    if (t < -TWO_TO_63) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(t);
}

// An integral value is its plain digits (1e20 is 100000000000000000000, -0.0
// is 0): the shortest digits that read back the same, then zeros. Anything
// else is the shortest text that reads back the same.
std::string DecimalText(double d) {
    if (d == 0) return "0";
    char buffer[64];
    if (std::trunc(d) != d) return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, d).ptr);
    const std::string scientific(buffer,
                                 std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::scientific).ptr);
    const auto e = scientific.find('e');
    std::string digits;
    for (const char c : std::string_view(scientific).substr(0, e))
        if (c != '.') digits += c;  // the sign stays
    const int exponent = std::stoi(scientific.substr(e + 1));
    const auto significant = static_cast<int>(digits.size()) - (d < 0 ? 1 : 0);
    // Integral: the exponent is at least the count of digits after the point.
    return digits + std::string(static_cast<std::size_t>(exponent - (significant - 1)), '0');
}

// The parser takes a NUL byte for the end of input, although a raw NUL is
// never JSON; and deep nesting must be refused before anything recurses over
// it. In valid JSON, brackets outside strings give the depth exactly.
bool FitsLimits(std::string_view text) {
    std::size_t depth = 0;
    bool inString = false, escaped = false;
    for (const char c : text) {
        if (c == '\0') return false;
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > MAX_JSON_DEPTH) return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

}  // namespace

MetadataValue MetadataValue::operator[](std::string_view key) const {
    if (!value_->is_object()) return MetadataValue(Null());
    const auto it = value_->find(key);
    return MetadataValue(it == value_->end() ? Null() : *it);
}

std::optional<std::int64_t> MetadataValue::Int() const {
    switch (value_->type()) {
    case nlohmann::json::value_t::number_integer:
        return value_->get<std::int64_t>();
    case nlohmann::json::value_t::number_unsigned: {
        const auto u = value_->get<std::uint64_t>();
        constexpr auto LARGEST = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        return u > LARGEST ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(u);
    }
    case nlohmann::json::value_t::number_float: {
        const double d = value_->get<double>();
        if (std::isnan(d)) return std::nullopt;
        return TruncateToInt64(d);
    }
    case nlohmann::json::value_t::boolean:
        return value_->get<bool>() ? 1 : 0;
    default:
        return std::nullopt;
    }
}

std::string MetadataValue::Text() const {
    switch (value_->type()) {
    case nlohmann::json::value_t::string:
        return value_->get<std::string>();
    case nlohmann::json::value_t::number_integer:
        return std::to_string(value_->get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned:
        return std::to_string(value_->get<std::uint64_t>());
    case nlohmann::json::value_t::number_float:
        return DecimalText(value_->get<double>());
    case nlohmann::json::value_t::boolean:
        return value_->get<bool>() ? "true" : "false";
    default:
        return {};
    }
}

std::optional<std::string> MetadataValue::String() const {
    if (!value_->is_string()) return std::nullopt;
    return value_->get<std::string>();
}

std::optional<nlohmann::json> ParseJson(std::string_view text) {
    if (!FitsLimits(text)) return std::nullopt;
    try {
        auto doc = nlohmann::json::parse(text.begin(), text.end(), nullptr,
                                         /*allow_exceptions=*/false);
        if (doc.is_discarded()) return std::nullopt;
        return doc;
    } catch (...) {
        // Folded like any other parse failure; nothing may escape to callers.
        return std::nullopt;
    }
}

std::optional<nlohmann::json> ParseMetadata(std::string_view text) {
    auto doc = ParseJson(text);
    if (doc && !doc->is_object() && !doc->is_array()) return std::nullopt;
    return doc;
}

std::string WriteMetadata(const nlohmann::json& metadata) {
    // '/' only ever occurs inside JSON strings, so escaping all of them is safe.
    std::string out;
    for (char c : metadata.dump()) {
        if (c == '/') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace brivane::document
