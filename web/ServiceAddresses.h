#pragma once

#include "document/BuildConfig.h"

#include <string>

namespace brivane::web {

// The publishing service's pages that the program opens in the browser.
inline std::string DownloadPageURL() { return std::string(SERVICE_BASE_URL) + "/download"; }
inline std::string ReaderDownloadPageURL() { return std::string(SERVICE_BASE_URL) + "/reader/download"; }
inline std::string UpdatePageURL() { return std::string(SERVICE_BASE_URL) + "/reader/update"; }

}  // namespace brivane::web
