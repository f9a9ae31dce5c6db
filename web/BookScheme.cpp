#include "web/BookScheme.h"

#include "web/ByteRange.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace brivane::web {

namespace fs = std::filesystem;

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const int lower = std::tolower(static_cast<unsigned char>(c));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The absolute path the URI spells, decoded once; absent when it tries to
// leave its directory by any spelling.
std::optional<std::string> DecodedPath(const std::string& uri) {
    const std::string prefix = std::string(BookScheme::SCHEME) + ":///";
    if (uri.size() < prefix.size()) return std::nullopt;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(uri[i])) != prefix[i]) return std::nullopt;
    const std::string encoded = uri.substr(prefix.size() - 1, uri.find_first_of("?#") - (prefix.size() - 1));

    std::string path;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        char c = encoded[i];
        if (c == '%') {
            const int high = i + 2 < encoded.size() ? HexValue(encoded[i + 1]) : -1;
            const int low = high >= 0 ? HexValue(encoded[i + 2]) : -1;
            if (low < 0) return std::nullopt;
            c = static_cast<char>(high * 16 + low);
            // An escaped separator or NUL only serves to smuggle a path past a check.
            if (c == '/' || c == '\\' || c == '\0') return std::nullopt;
            i += 2;
        } else if (c == '\\') {
            return std::nullopt;
        }
        path += c;
    }
    for (const auto& segment : fs::path(path))
        if (segment == "." || segment == "..") return std::nullopt;
    return path;
}

bool IsInside(const fs::path& path, const fs::path& root) {
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (r->empty()) continue;
        if (p == path.end() || *p != *r) return false;
    }
    return p != path.end();
}

// The path below dataPath that uri names, spelled as the archive spells its
// entries; absent for anything else.
std::optional<std::string> InData(const std::string& uri, const std::string& dataPath) {
    const auto path = DecodedPath(uri);
    const std::string prefix = dataPath.ends_with('/') ? dataPath : dataPath + "/";
    if (!path || !path->starts_with(prefix)) return std::nullopt;
    // Doubled slashes (the configuration writes some) name the same file.
    std::string relative;
    for (const auto& segment : fs::path(path->substr(prefix.size()))) {
        if (segment.empty()) continue;
        if (!relative.empty()) relative += '/';
        relative += segment.string();
    }
    if (relative.empty() || path->ends_with('/')) return std::nullopt;
    return relative;
}

BookScheme::Reply Refused(int status) {
    BookScheme::Reply reply;
    reply.status = status;
    return reply;
}

}  // namespace

std::optional<fs::path> BookScheme::Resolve(const std::string& uri, const std::string& workspaceRoot) {
    const auto path = DecodedPath(uri);
    if (!path || workspaceRoot.empty()) return std::nullopt;
    std::error_code error;
    const fs::path root = fs::canonical(workspaceRoot, error);
    if (error) return std::nullopt;
    // canonical() follows every link, so a link that leads out ends up outside
    // root.
    const fs::path file = fs::canonical(*path, error);
    if (error || !IsInside(file, root) || !fs::is_regular_file(file, error)) return std::nullopt;
    return file;
}

std::string BookScheme::ContentTypeOf(const fs::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const std::pair<const char*, const char*> types[] = {
        {".pdf", "application/pdf"}, {".jpg", "image/jpeg"},        {".jpeg", "image/jpeg"},   {".png", "image/png"},
        {".gif", "image/gif"},       {".webp", "image/webp"},       {".svg", "image/svg+xml"}, {".bmp", "image/bmp"},
        {".ico", "image/x-icon"},    {".json", "application/json"},
    };
    for (const auto& [suffix, type] : types)
        if (extension == suffix) return type;
    // Pages, scripts and the rest are data here, never something to run.
    return "application/octet-stream";
}

BookScheme::Reply BookScheme::Answer(const std::string& uri, const std::string& method,
                                     const std::optional<std::string>& range,
                                     const std::optional<std::string>& workspaceRoot, const UnpackingBook* unpacking) {
    const std::pair<std::string, std::string> cors[] = {
        {"Access-Control-Allow-Origin", "*"},
        {"Access-Control-Expose-Headers", "Accept-Ranges, Content-Range, Content-Length"},
    };
    if (method == "OPTIONS") {
        Reply reply = Refused(204);
        reply.headers.assign(std::begin(cors), std::end(cors));
        reply.headers.emplace_back("Access-Control-Allow-Methods", "GET, HEAD");
        reply.headers.emplace_back("Access-Control-Allow-Headers", "Range");
        return reply;
    }
    if (method != "GET" && method != "HEAD") return Refused(405);
    if (!workspaceRoot) return Refused(404);
    // What the body is read from: a file of the workspace, or a stretch of
    // the archive while that file is still being written.
    fs::path file;
    std::uint64_t base = 0, size = 0;
    std::string contentType;
    UnpackingBook::Place place;
    const bool ownData = unpacking && unpacking->DataPath().starts_with(*workspaceRoot);
    const auto relative = ownData ? InData(uri, unpacking->DataPath()) : std::nullopt;
    if (relative) place = unpacking->Locate(*relative);
    switch (place.kind) {
    case UnpackingBook::Place::Kind::Wait: {
        Reply reply = Refused(0);
        reply.wait = true;
        return reply;
    }
    case UnpackingBook::Place::Kind::Archive:
        file = unpacking->ArchivePath();
        base = place.offset;
        size = place.size;
        contentType = ContentTypeOf(fs::path(*relative));
        break;
    case UnpackingBook::Place::Kind::Disk: {
        const auto resolved = Resolve(uri, *workspaceRoot);
        if (!resolved) return Refused(404);
        std::error_code error;
        size = fs::file_size(*resolved, error);
        if (error) return Refused(404);
        file = *resolved;
        contentType = ContentTypeOf(file);
        break;
    }
    }

    Reply reply;
    reply.headers.assign(std::begin(cors), std::end(cors));
    reply.headers.emplace_back("Accept-Ranges", "bytes");
    reply.headers.emplace_back("X-Content-Type-Options", "nosniff");
    const ByteRange part = ByteRange::Of(range, size);
    const std::string total = std::to_string(size);
    if (part.kind == ByteRange::Kind::Unsatisfiable) {
        reply.status = 416;
        reply.headers.emplace_back("Content-Range", "bytes */" + total);
        reply.headers.emplace_back("Content-Length", "0");
        return reply;
    }
    reply.status = part.kind == ByteRange::Kind::Part ? 206 : 200;
    if (reply.status == 206)
        reply.headers.emplace_back("Content-Range", "bytes " + std::to_string(part.first) + "-" +
                                                        std::to_string(part.first + part.length - 1) + "/" + total);
    reply.headers.emplace_back("Content-Length", std::to_string(part.length));
    reply.contentType = contentType;
    if (method == "GET") {
        reply.file = file;
        reply.offset = base + part.first;
        reply.length = part.length;
        if (place.kind == UnpackingBook::Place::Kind::Archive && part.first == 0 && part.length == size) {
            reply.crc = place.crc;
            reply.entry = *relative;
        }
    }
    return reply;
}

}  // namespace brivane::web
