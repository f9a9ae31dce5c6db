#include "ZipWriter.h"

#include <zlib.h>

#include <fstream>
#include <stdexcept>

namespace brivane::test {

namespace {

constexpr std::uint32_t kLocalSig = 0x04034b50;
constexpr std::uint32_t kCentralSig = 0x02014b50;
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::uint32_t kDescriptorSig = 0x08074b50;
constexpr std::uint32_t kMax32 = 0xFFFFFFFF;
// 2024-01-01 12:00:00 in MS-DOS form; a fixed stamp keeps archives reproducible.
constexpr std::uint16_t kDosTime = 12 << 11;
constexpr std::uint16_t kDosDate = ((2024 - 1980) << 9) | (1 << 5) | 1;

void Put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Put64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t Narrow(std::uint64_t v) {
    return v > kMax32 ? kMax32 : static_cast<std::uint32_t>(v);
}

// Everything about one entry that both headers repeat.
struct Prepared {
    const ZipEntry* entry;
    std::string payload;  // bytes as stored in the archive
    std::uint16_t flags;
    std::uint32_t crc;
    std::uint64_t size;   // uncompressed size as declared
    std::uint64_t offset; // of the local header
    std::uint32_t mode;
};

Prepared Prepare(const ZipEntry& e) {
    Prepared p{&e, {}, 0, 0, 0, 0, 0};
    p.payload = e.method == 8 ? Deflate(e.data) : e.data;
    if (e.utf8Flag) p.flags |= 1u << 11;
    if (e.encrypted) p.flags |= 1u;
    if (e.dataDescriptor) p.flags |= 1u << 3;
    p.crc = e.crc.value_or(Crc32(e.data));
    p.size = e.declaredSize.value_or(e.data.size());
    switch (e.kind) {
    case ZipEntry::Kind::File: p.mode = 0100644; break;
    case ZipEntry::Kind::Directory: p.mode = 040755; break;
    case ZipEntry::Kind::Symlink: p.mode = 0120777; break;
    }
    if (e.unixMode) p.mode = *e.unixMode;
    return p;
}

std::string Zip64Extra(const Prepared& p, bool zeros) {
    std::string extra;
    Put16(extra, 0x0001);
    Put16(extra, 16);
    Put64(extra, zeros ? 0 : p.size);
    Put64(extra, zeros ? 0 : p.payload.size());
    return extra;
}

void WriteLocal(std::string& out, Prepared& p) {
    const ZipEntry& e = *p.entry;
    p.offset = out.size();
    const bool deferred = e.dataDescriptor;
    std::string extra = e.zip64 ? Zip64Extra(p, deferred) : std::string();
    Put32(out, kLocalSig);
    Put16(out, e.zip64 ? 45 : 20);
    Put16(out, p.flags);
    Put16(out, e.method);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, deferred ? 0 : p.crc);
    if (e.zip64) {
        Put32(out, kMax32);
        Put32(out, kMax32);
    } else {
        Put32(out, deferred ? 0 : Narrow(p.payload.size()));
        Put32(out, deferred ? 0 : Narrow(p.size));
    }
    Put16(out, static_cast<std::uint16_t>(e.name.size()));
    Put16(out, static_cast<std::uint16_t>(extra.size()));
    out += e.name;
    out += extra;
    out += p.payload;
    if (deferred) {
        Put32(out, kDescriptorSig);
        Put32(out, p.crc);
        if (e.zip64) {
            Put64(out, p.payload.size());
            Put64(out, p.size);
        } else {
            Put32(out, Narrow(p.payload.size()));
            Put32(out, Narrow(p.size));
        }
    }
}

void WriteCentral(std::string& out, const Prepared& p) {
    const ZipEntry& e = *p.entry;
    std::string extra = e.zip64 ? Zip64Extra(p, false) : std::string();
    Put32(out, kCentralSig);
    Put16(out, (3 << 8) | 20);  // made by Unix, so the mode in the attributes counts
    Put16(out, e.zip64 ? 45 : 20);
    Put16(out, p.flags);
    Put16(out, e.method);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, p.crc);
    Put32(out, e.zip64 ? kMax32 : Narrow(p.payload.size()));
    Put32(out, e.zip64 ? kMax32 : Narrow(p.size));
    Put16(out, static_cast<std::uint16_t>(e.name.size()));
    Put16(out, static_cast<std::uint16_t>(extra.size()));
    Put16(out, 0);  // comment
    Put16(out, 0);  // disk
    Put16(out, 0);  // internal attributes
    std::uint32_t external = p.mode << 16;
    if (e.kind == ZipEntry::Kind::Directory) external |= 0x10;  // MS-DOS directory bit
    Put32(out, external);
    Put32(out, Narrow(p.offset));
    out += e.name;
    out += extra;
}

}  // namespace

ZipWriter& ZipWriter::Prepend(std::string bytes) {
    prefix_ += bytes;
    return *this;
}

ZipWriter& ZipWriter::Add(ZipEntry entry) {
    entries_.push_back(std::move(entry));
    return *this;
}

ZipWriter& ZipWriter::File(std::string name, std::string data, std::uint16_t method) {
    ZipEntry e;
    e.name = std::move(name);
    e.data = std::move(data);
    e.method = method;
    return Add(std::move(e));
}

ZipWriter& ZipWriter::Directory(std::string name) {
    ZipEntry e;
    e.name = std::move(name);
    if (e.name.empty() || e.name.back() != '/') e.name += '/';
    e.kind = ZipEntry::Kind::Directory;
    return Add(std::move(e));
}

ZipWriter& ZipWriter::Symlink(std::string name, std::string target) {
    ZipEntry e;
    e.name = std::move(name);
    e.data = std::move(target);
    e.kind = ZipEntry::Kind::Symlink;
    return Add(std::move(e));
}

std::string ZipWriter::Bytes() const {
    std::string out = prefix_;
    std::vector<Prepared> prepared;
    prepared.reserve(entries_.size());
    for (const auto& e : entries_) {
        prepared.push_back(Prepare(e));
        WriteLocal(out, prepared.back());
    }
    const std::uint64_t centralStart = out.size();
    for (const auto& p : prepared) WriteCentral(out, p);
    const std::uint64_t centralSize = out.size() - centralStart;
    Put32(out, kEndSig);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint16_t>(prepared.size()));
    Put16(out, static_cast<std::uint16_t>(prepared.size()));
    Put32(out, Narrow(centralSize));
    Put32(out, Narrow(centralStart));
    Put16(out, 0);
    return out;
}

void ZipWriter::WriteTo(const std::string& path) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::string bytes = Bytes();
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

std::string Deflate(std::string_view data) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate failed");
    return out;
}

std::uint32_t Crc32(std::string_view data) {
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    return static_cast<std::uint32_t>(crc);
}

}  // namespace brivane::test
