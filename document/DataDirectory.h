#pragma once

#include <string>

namespace brivane::document {

// The shipped web content: <exe dir>/../share/brivane-reader/data, the same
// relative place in the build tree and in an installed prefix.
class DataDirectory {
public:
    static std::string Path();
    static std::string StartPageUrl();
    // <exe dir>/../share/icons, for the application's own icon.
    static std::string IconsPath();
};

}  // namespace brivane::document
