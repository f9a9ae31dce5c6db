#pragma once

#include "base/FileUrl.h"
#include "document/FlipbookFile.h"
#include "tests/support/CapturedLines.h"
#include "tests/support/Flipbooks.h"
#include "tests/support/TempDir.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

namespace brivane::test {

namespace fs = std::filesystem;

inline std::string PathOf(const std::string& url) { return PathFromFileUrl(url).value_or(""); }

// Everything under root by relative path (type, mode, content or link
// target), except the subtree at the relative path except, so a test can tell
// whether anything else was touched or compare two trees.
inline std::map<std::string, std::string> SnapshotTree(const std::string& root, const std::string& except = "") {
    std::map<std::string, std::string> snapshot;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string path = it->path().string(), rel = it->path().lexically_relative(root).string();
        if (!except.empty() && (rel == except || rel.starts_with(except + "/"))) {
            if (it->is_directory() && !it->is_symlink()) it.disable_recursion_pending();
            continue;
        }
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) continue;
        snapshot[rel] = std::to_string(st.st_mode) + ' ' +
                        (S_ISLNK(st.st_mode)   ? fs::read_symlink(path, ec).string()
                         : S_ISREG(st.st_mode) ? Read(path)
                                               : "");
    }
    return snapshot;
}

// Whether any symbolic link under root leads outside it.
inline bool LinkLeadsOutside(const std::string& root) {
    std::error_code ec;
    const fs::path base = fs::canonical(root, ec);
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_symlink()) continue;
        std::error_code resolveError;
        const auto rel = fs::weakly_canonical(it->path(), resolveError).lexically_relative(base);
        if (resolveError || rel.empty() || *rel.begin() == "..") return true;
    }
    return false;
}

// Flipbook files in a temporary directory, and the workspace root they map to.
struct WorkspaceFixture {
    TempDir files;

    static std::string Root() { return std::string(g_get_tmp_dir()) + "/brivane-reader-" + std::to_string(geteuid()); }

    // Writes a flipbook named fileName and returns its URL.
    std::string Flipbook(const std::string& fileName, const nlohmann::json& meta = SampleMetadata(),
                         std::vector<ZipEntry> extra = {}) const {
        const std::string path = files / fileName;
        ValidFlipbook(meta, SamplePdf(), std::move(extra)).WriteTo(path);
        return FileUrl(path);
    }

    // Same size as SamplePdf(), so the same id, but telling: "%PDF-1.5\n" + mark...
    static std::string MarkedPdf(const std::string& mark) {
        std::string pdf = SamplePdf();
        pdf.replace(9, mark.size(), mark);
        return pdf;
    }

    // A flipbook at folder/fileName whose PDF carries mark; its URL.
    std::string MarkedFlipbook(const std::string& folder, const std::string& fileName, const std::string& mark,
                               const nlohmann::json& meta = SampleMetadata()) const {
        fs::create_directories(files / folder);
        const std::string path = files / (folder + "/" + fileName);
        ValidFlipbook(meta, MarkedPdf(mark)).WriteTo(path);
        return FileUrl(path);
    }

    // Our bookkeeping beside data/, left out where a tree is compared.
    static bool IsBookkeeping(const std::string& path) { return path.find(".brivane-") != std::string::npos; }
};

}  // namespace brivane::test
