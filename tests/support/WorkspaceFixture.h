#pragma once

#include "base/FileUrl.h"
#include "document/FlipbookFile.h"
#include "document/archive/ArchiveExtractor.h"
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

// Flipbook files in a temporary directory, and the workspace root they map
// to, which each fixture starts and leaves without.
struct WorkspaceFixture {
    TempDir files;

    WorkspaceFixture() { fs::remove_all(Root()); }
    ~WorkspaceFixture() { fs::remove_all(Root()); }

    static std::string Root() { return std::string(g_get_tmp_dir()) + "/brivane-reader-" + std::to_string(geteuid()); }

    // Writes a flipbook at the relative path name and returns its URL.
    std::string Flipbook(const std::string& name, const nlohmann::json& meta = SampleMetadata(),
                         std::vector<ZipEntry> extra = {}, std::string pdf = SamplePdf()) const {
        return FileUrl(files.Write(name, ValidFlipbook(meta, std::move(pdf), std::move(extra)).Bytes()));
    }

    // Same size as SamplePdf(), so the same id, but telling: "%PDF-1.5\n" + mark...
    static std::string MarkedPdf(const std::string& mark) {
        std::string pdf = SamplePdf();
        pdf.replace(9, mark.size(), mark);
        return pdf;
    }
};

// The plain path of a book's data directory, without a final slash.
inline std::string DataPath(const document::FlipbookFile& book) {
    std::string path = PathOf(book.tempPath.value_or(""));
    if (path.ends_with('/')) path.pop_back();
    return path;
}

// An archive and the directory it is unpacked into; "outside/" beside them
// holds what an archive must never reach.
struct Unpacking {
    TempDir dir;
    std::string archive = dir / "archive.zip", dest = dir / "dest";

    Unpacking() {
        dir.Write("outside/secret.txt", "untouched");
        fs::create_directory(dest);
    }
    Result<void, document::UnpackFailure> Unpack(const std::string& bytes,
                                                 document::UnpackListener* listener = nullptr) const {
        Write(archive, bytes);
        return document::ArchiveExtractor::Unpack(archive, dest, listener);
    }
};

}  // namespace brivane::test
