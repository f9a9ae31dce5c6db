#include "tools/ThumbnailCommand.h"

#include "base/GObjectPtr.h"
#include "base/Result.h"
#include "base/Unique.h"
#include "document/ArchivedPdf.h"
#include "document/FlipbookMeta.h"

#include <cairo.h>
#include <poppler.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace brivane::tools {

const Command ThumbnailCommand::COMMAND{"thumbnail", "[-s SIZE] [-t SECONDS] FILE OUTPUT.png", &ThumbnailCommand::Run};

namespace {

struct Options {
    int size = ThumbnailCommand::DEFAULT_SIZE;
    int seconds = ThumbnailCommand::DEFAULT_SECONDS;
    std::string input, output;
};

bool ParseInt(const std::string& text, int low, int high, int& value) {
    int parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

// Empty problem text when the arguments make sense.
std::string Parse(const std::vector<std::string>& args, Options& options) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        int* value = nullptr;
        int high = 0;
        if (arg == "-s" || arg == "--size") {
            value = &options.size;
            high = ThumbnailCommand::MAX_SIZE;
        } else if (arg == "-t" || arg == "--timeout") {
            value = &options.seconds;
            high = ThumbnailCommand::MAX_SECONDS;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option " + arg;
        } else {
            files.push_back(arg);
            continue;
        }
        if (i + 1 == args.size()) return arg + " needs a value";
        if (!ParseInt(args[++i], 1, high, *value))
            return arg + " takes a whole number from 1 to " + std::to_string(high);
    }
    if (files.size() != 2) return "give the flipbook and the PNG to write";
    options.input = files[0];
    options.output = files[1];
    return {};
}

int Fail(const std::string& message) {
    std::cerr << "brivane-flip thumbnail: " << message << '\n';
    return EXIT_REJECTED;
}

// A hostile PDF can keep poppler busy for ever; the file manager waits for us,
// so the process ends itself. Nothing is written before the timer is stopped.
void OutOfTime(int) {
    static const char message[] = "brivane-flip thumbnail: out of time\n";
    [[maybe_unused]] auto written = write(STDERR_FILENO, message, sizeof message - 1);
    _exit(EXIT_REJECTED);
}

void StartTimer(int seconds) {
    struct sigaction action {};
    action.sa_handler = OutOfTime;
    sigaction(SIGALRM, &action, nullptr);
    alarm(static_cast<unsigned>(seconds));
}

void StopTimer() { alarm(0); }

// Address space for poppler's worst cases (huge images, runaway caches): a
// failed allocation ends the process instead of the machine's memory.
void LimitMemory() {
#if !defined(__SANITIZE_ADDRESS__)
    constexpr rlim_t ADDRESS_SPACE_LIMIT = rlim_t{3} << 30;
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 &&
        (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > ADDRESS_SPACE_LIMIT)) {
        limit.rlim_cur = ADDRESS_SPACE_LIMIT;
        setrlimit(RLIMIT_AS, &limit);
    }
#endif
}

// Longest side `size`, proportions kept, never less than one pixel.
std::pair<int, int> Fit(double width, double height, int size) {
    const double scale = size / std::max(width, height);
    return {std::clamp(static_cast<int>(std::lround(width * scale)), 1, size),
            std::clamp(static_cast<int>(std::lround(height * scale)), 1, size)};
}

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// The first page as PNG bytes.
Result<std::string> Render(PopplerDocument* document, int size) {
    if (poppler_document_get_n_pages(document) < 1) return Error{"the PDF has no pages"};
    auto page = RefPtr<PopplerPage>::Adopt(poppler_document_get_page(document, 0));
    double width = 0, height = 0;
    if (page) poppler_page_get_size(page.get(), &width, &height);
    if (!page || !(width > 0) || !(height > 0) || !std::isfinite(width) || !std::isfinite(height))
        return Error{"the first page has no size"};
    const auto [pixelsWide, pixelsHigh] = Fit(width, height, size);
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixelsWide, pixelsHigh), cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), cairo_destroy);
    // Pages are drawn on paper: poppler leaves what the PDF does not paint clear.
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    cairo_scale(cr.get(), pixelsWide / width, pixelsHigh / height);
    poppler_page_render(page.get(), cr.get());
    std::string png;
    cairo_surface_flush(surface.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_write_to_png_stream(surface.get(), Append, &png) != CAIRO_STATUS_SUCCESS)
        return Error{"cannot draw the first page"};
    return png;
}

// Beside the target and renamed over it, so no reader ever sees half an image.
Result<void> WriteFile(const std::string& path, const std::string& bytes) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return Error{"cannot write " + path};
    UniqueFd owned(fd);
    fchmod(fd, 0644);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    owned.Reset();
    if (done != bytes.size() || std::rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return Error{"cannot write " + path};
    }
    return {};
}

}  // namespace

int ThumbnailCommand::Run(const std::vector<std::string>& args) {
    Options options;
    if (const std::string problem = Parse(args, options); !problem.empty()) return UsageError(COMMAND, problem);
    const auto url = ArgumentToUrl(options.input);
    if (!url) return UsageError(COMMAND, "cannot make a file URL of " + options.input);

    StartTimer(options.seconds);
    LimitMemory();
    if (const auto result = document::ValidateFlipbookFile(*url); result != document::CheckResult::Accepted)
        return Fail(options.input + " is refused: " + std::string(document::CheckCode(result)));
    const auto pdf = document::ArchivedPdf::Open(*url);
    if (!pdf) return Fail(pdf.Failure().message);
    const auto png = Render(pdf->Document(), options.size);
    if (!png) return Fail(png.Failure().message);
    StopTimer();
    if (const auto written = WriteFile(options.output, *png); !written) return Fail(written.Failure().message);
    return EXIT_ACCEPTED;
}

}  // namespace brivane::tools
