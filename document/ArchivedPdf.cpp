#include "document/ArchivedPdf.h"

#include "document/FlipbookFile.h"
#include "document/archive/FileSliceStream.h"
#include "document/archive/ZipReader.h"

#include <memory>
#include <utility>

namespace brivane::document {

namespace {

RefPtr<PopplerDocument> FromStream(GInputStream* stream, std::uint64_t size, GError** error) {
    return RefPtr<PopplerDocument>::Adopt(
        poppler_document_new_from_stream(stream, static_cast<goffset>(size), nullptr, nullptr, error));
}

RefPtr<PopplerDocument> FromMemory(std::string bytes, GError** error) {
    // Handed over without a copy: the bytes are freed with the document.
    auto* owned = new std::string(std::move(bytes));
    std::unique_ptr<GBytes, decltype(&g_bytes_unref)> data(
        g_bytes_new_with_free_func(
            owned->data(), owned->size(), [](gpointer p) { delete static_cast<std::string*>(p); }, owned),
        g_bytes_unref);
    return RefPtr<PopplerDocument>::Adopt(poppler_document_new_from_bytes(data.get(), nullptr, error));
}

}  // namespace

Result<ArchivedPdf> ArchivedPdf::Open(const std::string& fileUrl, std::uint64_t inflateLimit) {
    auto archive = ZipReader::Open(fileUrl);
    if (!archive) return Error{"cannot open the archive"};
    const std::string name = FlipbookFile(fileUrl).PDF_FILE_NAME;
    const auto index = archive->Find(name);
    const auto size = index ? archive->Size(*index) : std::nullopt;
    if (!size || *size == 0) return Error{"no " + name + " in the archive"};

    ArchivedPdf pdf;
    GErrorSlot reason;
    const auto offset = archive->StoredOffset(*index);
    if (RefPtr<GInputStream> stream = offset ? FileSliceStream::Open(archive->Fd(), *offset, *size) : nullptr) {
        pdf.document_ = FromStream(stream.get(), *size, reason.Out());
    } else {
        auto content = archive->Read(*index, inflateLimit);
        if (!content) return Error{name + ": " + content.Failure().message};
        pdf.document_ = FromMemory(std::move(*content), reason.Out());
    }
    if (!pdf.document_)
        return Error{name + " is not a readable PDF" + (reason ? std::string(": ") + reason.Message() : "")};
    return pdf;
}

}  // namespace brivane::document
