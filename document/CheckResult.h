#pragma once

#include <string_view>

namespace brivane::document {

// Outcome of the file check. Code keeps the enum; the texts below are how the
// outcome is known outside (logs, brivane-flip, the open-file flow's callers).
enum class CheckResult { Accepted, NoMetadata, TooNew, Corrupted };

constexpr std::string_view CheckCode(CheckResult result) {
    switch (result) {
    case CheckResult::NoMetadata:
        return "ERROR_NO_META";
    case CheckResult::TooNew:
        return "ERROR_APP_VER";
    case CheckResult::Corrupted:
        return "ERROR_CORRUPTED";
    case CheckResult::Accepted:
        break;
    }
    return "";
}

}  // namespace brivane::document
