#include "MetadataValue.h"

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
    constexpr double kTwoTo63 = 9223372036854775808.0;
    const double t = std::trunc(d);
    if (t >= kTwoTo63) return std::numeric_limits<std::int64_t>::max();
    if (t < -kTwoTo63) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(t);
}

std::string ShortestDecimal(double d) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
    return std::string(buffer, result.ptr);
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
        constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        return u > kMax ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(u);
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
        return ShortestDecimal(value_->get<double>());
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

std::optional<nlohmann::json> ParseMetadata(std::string_view text) {
    try {
        auto doc = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
        if (!doc.is_object() && !doc.is_array()) return std::nullopt;
        return doc;
    } catch (...) {
        // Folded like any other parse failure; nothing may escape to callers.
        return std::nullopt;
    }
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
