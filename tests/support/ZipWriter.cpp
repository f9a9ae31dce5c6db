#include "tests/support/ZipWriter.h"

#include "tests/support/TempDir.h"

#include <zlib.h>

#include <stdexcept>

namespace brivane::test {

namespace {

constexpr std::uint32_t MAX32 = 0xFFFFFFFF;
constexpr std::uint16_t DOS_TIME = 12 << 11, DOS_DATE = ((2024 - 1980) << 9) | (1 << 5) | 1;  // fixed stamp

// Little-endian fields, each {value, width in bytes}.
void Put(std::string& out, std::initializer_list<std::pair<std::uint64_t, int>> fields) {
    for (auto [v, bytes] : fields) out += LittleEndian(v, bytes);
}
std::uint32_t Narrow(std::uint64_t v) { return v > MAX32 ? MAX32 : static_cast<std::uint32_t>(v); }

// Raw deflate: zlib's stream without its 2-byte header and 4-byte trailer.
std::string Deflate(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("compress2 failed");
    return out.substr(2, size - 6);
}

// Everything about one entry that both headers repeat.
struct Prepared {
    const ZipEntry& e;
    std::string payload;  // bytes as stored in the archive
    std::uint16_t flags = 0;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;    // uncompressed size as declared
    std::uint64_t offset = 0;  // of the local header

    explicit Prepared(const ZipEntry& entry) : e(entry), payload(e.method == 8 ? Deflate(e.data) : e.data) {
        flags = (e.utf8Flag ? 1u << 11 : 0) | (e.encrypted ? 1u : 0) | (e.dataDescriptor ? 1u << 3 : 0);
        crc = e.crc.value_or(Crc32(e.data));
        size = e.declaredSize.value_or(e.data.size());
    }
    std::string Zip64Extra(bool zeros, bool withOffset) const {
        std::string data, extra;
        if (e.zip64) Put(data, {{zeros ? 0 : size, 8}, {zeros ? 0 : payload.size(), 8}});
        if (withOffset) Put(data, {{offset, 8}});
        if (!data.empty()) Put(extra, {{0x0001, 2}, {data.size(), 2}});
        return extra + data + e.extra;
    }
    // The fields from "version needed" to "extra length", shared by both headers.
    void Common(std::string& out, bool deferred, const std::string& extra) const {
        const auto sized = [&](std::uint64_t v) { return e.zip64 ? MAX32 : deferred ? 0 : Narrow(v); };
        Put(out, {{e.zip64 || e.zip64Offset ? 45 : 20, 2},
                  {flags, 2},
                  {e.method, 2},
                  {DOS_TIME, 2},
                  {DOS_DATE, 2},
                  {deferred ? 0 : crc, 4},
                  {sized(payload.size()), 4},
                  {sized(size), 4},
                  {e.name.size(), 2},
                  {extra.size(), 2}});
    }
};

}  // namespace

std::string LittleEndian(std::uint64_t value, int width) {
    std::string out;
    for (int i = 0; i < width; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

std::uint32_t Crc32(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string UnicodePathField(const std::string& headerName, const std::string& unicodeName) {
    std::string field;
    Put(field, {{0x7075, 2}, {5 + unicodeName.size(), 2}, {1, 1}, {Crc32(headerName), 4}});
    return field + unicodeName;
}

std::string ZipWriter::Bytes() const {
    std::string out = prefix_;
    std::vector<Prepared> prepared;
    prepared.reserve(entries_.size());
    for (const auto& entry : entries_) {
        Prepared& p = prepared.emplace_back(entry);
        const ZipEntry& e = p.e;
        p.offset = out.size();
        const std::string extra = p.Zip64Extra(e.dataDescriptor, false);
        Put(out, {{0x04034b50, 4}});
        p.Common(out, e.dataDescriptor, extra);
        out += e.name + extra + p.payload;
        const int width = e.zip64 ? 8 : 4;
        if (e.dataDescriptor)
            Put(out, {{0x08074b50, 4},
                      {p.crc, 4},
                      {e.zip64 ? p.payload.size() : Narrow(p.payload.size()), width},
                      {e.zip64 ? p.size : Narrow(p.size), width}});
    }
    const std::uint64_t centralStart = out.size();
    for (const auto& p : prepared) {
        const std::string extra = p.Zip64Extra(false, p.e.zip64Offset);
        Put(out, {{0x02014b50, 4}, {(3 << 8) | 20, 2}});  // made by Unix, so the mode in the attributes counts
        p.Common(out, false, extra);
        const bool dir = p.e.kind == ZipEntry::Kind::Directory;
        const std::uint32_t mode = p.e.unixMode.value_or(dir                                ? 040755
                                                         : p.e.kind == ZipEntry::Kind::File ? 0100644
                                                                                            : 0120777);
        // comment length, disk, internal attributes; mode with the DOS directory bit
        Put(out, {{0, 6}, {(mode << 16) | (dir ? 0x10 : 0), 4}, {p.e.zip64Offset ? MAX32 : Narrow(p.offset), 4}});
        out += p.e.name + extra;
    }
    const std::uint64_t centralSize = out.size() - centralStart;
    Put(out, {{0x06054b50, 4},
              {0, 4},
              {prepared.size(), 2},
              {prepared.size(), 2},
              {Narrow(centralSize), 4},
              {Narrow(centralStart), 4},
              {0, 2}});
    return out;
}

void ZipWriter::WriteTo(const std::string& path) const { Write(path, Bytes()); }

}  // namespace brivane::test
