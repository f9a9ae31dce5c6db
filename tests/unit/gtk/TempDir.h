#pragma once

#include <glib.h>
#include <glib/gstdio.h>  // for g_rmdir, g_remove

#include <string>

#include "Unique.h"

namespace brivane::test {

// A flat scratch directory, emptied and removed when the test ends.
class TempDir {
public:
    TempDir() : path_(g_dir_make_tmp("brivane-gtk-XXXXXX", nullptr)) {}
    ~TempDir() {
        if (GDir* dir = g_dir_open(path_.get(), 0, nullptr)) {
            while (const char* name = g_dir_read_name(dir)) g_remove(File(name).c_str());
            g_dir_close(dir);
        }
        g_rmdir(path_.get());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const char* Path() const { return path_.get(); }
    std::string File(const std::string& name) const { return std::string(path_.get()) + "/" + name; }
    static std::string Uri(const std::string& path) {
        return UniqueGChars(g_filename_to_uri(path.c_str(), nullptr, nullptr)).get();
    }

private:
    UniqueGChars path_;
};

}  // namespace brivane::test
