#pragma once

#include "CapturedLines.h"
#include "FileUrl.h"
#include "FlipbookFile.h"
#include "Flipbooks.h"
#include "TempDir.h"

#include <glib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace brivane::test {

// Flipbook files in a temporary directory, and the workspace root they map to.
struct WorkspaceFixture {
    TempDir files;

    static std::string Root() { return std::string(g_get_tmp_dir()) + "/brivane-reader-" + std::to_string(geteuid()); }

    // Writes a flipbook named fileName and returns its URL.
    std::string Flipbook(const std::string& fileName, const nlohmann::json& meta = SampleMetadata(),
                         std::vector<ZipEntry> extra = {}) const {
        std::string path = files / fileName;
        ValidFlipbook(meta, SamplePdf(), std::move(extra)).WriteTo(path);
        return FileUrl(path);
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    static void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

    static std::string PathOf(const std::string& url) { return document::PathFromFileUrl(url).value_or(""); }
};

}  // namespace brivane::test
