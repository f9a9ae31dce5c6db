#pragma once

#include "document/BuildConfig.h"

#include <string>

namespace brivane::web {

// The publishing service's pages that the program opens in the browser.
inline std::string DownloadPageUrl() { return std::string(SERVICE_BASE_URL) + "/download"; }
inline std::string ReaderDownloadPageUrl() { return std::string(SERVICE_BASE_URL) + "/reader/download"; }
inline std::string UpdatePageUrl() { return std::string(SERVICE_BASE_URL) + "/reader/update"; }

}  // namespace brivane::web
