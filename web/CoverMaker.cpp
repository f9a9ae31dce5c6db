#include "web/CoverMaker.h"

#include "base/Unique.h"
#include "document/FlipbookMeta.h"
#include "document/MetadataValue.h"

#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

namespace brivane::web {

namespace fs = std::filesystem;

CoverMaker::CoverMaker(std::string thumbnailer) : thumbnailer_(std::move(thumbnailer)) {}

std::string CoverMaker::Beside() {
    std::error_code error;
    const auto exe = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string("brivane-flip") : (exe.parent_path() / "brivane-flip").string();
}

int CoverMaker::PageCountOf(const std::string& fileUrl) {
    const auto doc = document::FlipbookMeta(fileUrl).LoadMetadata();
    if (!doc) return 0;
    const auto pages = document::MetadataValue(*doc)["num_pages"].Int().value_or(0);
    return pages > 0 && pages <= 1'000'000 ? static_cast<int>(pages) : 0;
}

CoverCache::Cover CoverMaker::Make(const std::string& fileUrl, const std::string& scratch) const {
    CoverCache::Cover cover;
    UniqueGChars path(g_filename_from_uri(fileUrl.c_str(), nullptr, nullptr));
    if (!path) return cover;
    cover.pageCount = PageCountOf(fileUrl);
    std::error_code ec;
    fs::create_directories(scratch, ec);
    std::string out = (fs::path(scratch) / "drawing-XXXXXX").string();
    UniqueFd fd(mkstemp(out.data()));
    if (fd.Get() < 0) return cover;
    fd.Reset();
    const std::string size = std::to_string(SIZE), seconds = std::to_string(SECONDS);
    // The path is absolute, so it never reads as an option.
    const char* argv[] = {thumbnailer_.c_str(), "thumbnail", "-s",        size.c_str(), "-t",
                          seconds.c_str(),      path.get(),  out.c_str(), nullptr};
    int status = 0;
    const bool ran = g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr,
                                  GSpawnFlags(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
                                  nullptr, nullptr, nullptr, &status, nullptr);
    if (ran && g_spawn_check_wait_status(status, nullptr)) {
        std::ifstream in(out, std::ios::binary);
        std::string png{std::istreambuf_iterator<char>(in), {}};
        if (png.size() <= CoverCache::MAX_COVER_BYTES) cover.png = std::move(png);
    }
    std::remove(out.c_str());
    return cover;
}

}  // namespace brivane::web
