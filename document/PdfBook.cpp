#include "document/PdfBook.h"

#include "base/Unique.h"
#include "document/FlipbookMeta.h"
#include "document/MetadataValue.h"
#include "document/WorkspaceRoot.h"
#include "document/archive/FlipbookWriter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <glib.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace brivane::document {

namespace fs = std::filesystem;

namespace {

constexpr const char* MAKING_LOCK_FILE = ".brivane-making";
// Any header past this is no PDF a reader would open.
constexpr std::size_t HEADER_WINDOW = 1024;
// Room for ".flip" and the workspace's own suffixes within NAME_MAX.
constexpr std::size_t MAX_STEM_BYTES = 120;

std::string Stem(const std::string& pdfPath) {
    const fs::path path(pdfPath);
    std::string stem = path.stem().string();
    if (path.extension().empty() || stem.empty()) stem = path.filename().string();
    return stem;
}

PdfInfo::Failure CannotWrite(std::string text) { return {PdfInfo::Problem::CannotWrite, std::move(text)}; }

// Two windows making the same book must not write one file at once.
UniqueFd LockMaking(const std::string& dir) {
    UniqueFd fd(open((dir + "/" + MAKING_LOCK_FILE).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    while (fd && flock(fd.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) return {};
    }
    return fd;
}

}  // namespace

PdfBook::PdfBook(std::string bookPath, std::shared_ptr<WorkspaceClaim> claim, bool fresh)
    : bookPath_(std::move(bookPath)), claim_(std::move(claim)), fresh_(fresh) {}

nlohmann::json PdfBook::Metadata(const PdfInfo& pdf, std::uint64_t pdfSize, const std::string& title,
                                 const std::string& subtitle, const std::vector<std::string>& assets) {
    nlohmann::json metadata = {
        {"app", SUPPORTED_APP_VERSION},
        {"id", ContentFingerprint(FingerprintText(pdf.width, pdf.height, pdf.pages, std::to_string(pdfSize)))},
        {"width", pdf.width},
        {"height", pdf.height},
        {"num_pages", pdf.pages},
        {"design", {{"title", title}, {"subtitle", subtitle}}},
    };
    if (!assets.empty()) metadata["assets"] = assets;
    return metadata;
}

std::string PdfBook::TitleFor(const std::string& infoTitle, const std::string& pdfPath) {
    // Producers leave blank titles behind; they name nothing.
    const bool blank = infoTitle.find_first_not_of(" \t\r\n") == std::string::npos;
    if (!blank && g_utf8_validate(infoTitle.data(), static_cast<gssize>(infoTitle.size()), nullptr)) return infoTitle;
    const std::string stem = Stem(pdfPath);
    // The metadata is JSON: a file name that is not UTF-8 is shown as near as can be.
    const UniqueGChars text(g_utf8_make_valid(stem.data(), static_cast<gssize>(stem.size())));
    return text.get();
}

std::string PdfBook::WorkspaceName(const std::string& pdfPath) {
    // A digest of the path: any file name, however long or odd, gives a safe name.
    const UniqueGChars digest(g_compute_checksum_for_data(
        G_CHECKSUM_SHA256, reinterpret_cast<const guchar*>(pdfPath.data()), pdfPath.size()));
    return "pdf-" + std::string(digest.get()).substr(0, 16);
}

std::string PdfBook::BookFileName(const std::string& pdfPath) {
    std::string stem;
    for (const char c : Stem(pdfPath)) stem += (c == '/' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    if (stem.size() > MAX_STEM_BYTES) {
        // Cut on a character boundary so the name stays text.
        const char* end = g_utf8_find_prev_char(stem.c_str(), stem.c_str() + MAX_STEM_BYTES + 1);
        stem.resize(end ? static_cast<std::size_t>(end - stem.c_str()) : MAX_STEM_BYTES);
    }
    // A name of dots alone would be "." or ".." with the extension gone.
    if (stem.empty() || stem.find_first_not_of('.') == std::string::npos || stem.starts_with('.')) stem = "book" + stem;
    return stem + ".flip";
}

bool PdfBook::LooksLikePdf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(HEADER_WINDOW, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    // A flipbook stores its PDF near the start: the archive comes first.
    if (head.starts_with("PK\x03\x04")) return false;
    return head.find("%PDF-") != std::string::npos;
}

Result<PdfBook, PdfInfo::Failure> PdfBook::Make(const std::string& pdfPath, const std::string& root) {
    if (!LooksLikePdf(pdfPath)) {
        std::error_code ec;
        if (!fs::is_regular_file(pdfPath, ec) || !std::ifstream(pdfPath))
            return PdfInfo::Failure{PdfInfo::Problem::Unreadable, "cannot read " + pdfPath};
        return PdfInfo::Failure{PdfInfo::Problem::NotPdf, "not a PDF document: " + pdfPath};
    }
    // Path, size and modification time: an edited PDF gets a new book.
    const auto identity = WorkspaceClaim::IdentityOf(pdfPath, "pdf");
    if (!identity) return PdfInfo::Failure{PdfInfo::Problem::Unreadable, "cannot read " + pdfPath};
    auto claim = WorkspaceClaim::Take(root, WorkspaceName(pdfPath), *identity);
    if (!claim) return CannotWrite("no workspace for a book of " + pdfPath);
    const std::string bookPath = claim->Path() + "/" + BookFileName(pdfPath);
    auto held = std::make_shared<WorkspaceClaim>(std::move(*claim));
    const UniqueFd making = LockMaking(held->Path());
    if (!making) return CannotWrite("cannot lock " + held->Path());
    std::error_code ec;
    if (held->IsComplete() && fs::is_regular_file(bookPath, ec)) return PdfBook(bookPath, held, false);

    held->MarkIncomplete();
    const auto pdf = PdfInfo::Read(pdfPath);
    if (!pdf) return pdf.Failure();
    const auto size = fs::file_size(pdfPath, ec);
    if (ec || size == 0) return PdfInfo::Failure{PdfInfo::Problem::Unreadable, "cannot measure " + pdfPath};
    const std::string text = WriteMetadata(Metadata(*pdf, size, TitleFor(pdf->title, pdfPath), ""));
    if (const auto written = FlipbookWriter::Write(bookPath, text, pdfPath, {}); !written)
        return CannotWrite(written.Failure().message);
    if (!held->MarkComplete()) return CannotWrite("cannot finish " + bookPath);
    return PdfBook(bookPath, held, true);
}

}  // namespace brivane::document
