#include "tools/PackCommand.h"

#include "base/Result.h"
#include "base/Utf8.h"
#include "document/MetadataValue.h"
#include "document/PdfBook.h"
#include "document/PdfInfo.h"
#include "document/archive/FlipbookWriter.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <iostream>

namespace brivane::tools {

namespace fs = std::filesystem;

const Command PackCommand::COMMAND{"pack", "PDF -o OUT.flip [--title T] [--subtitle S] [--assets DIR] [--force]",
                                   &PackCommand::Run};

namespace {

struct Options {
    std::string pdf, out, title, subtitle, assets;
    bool force = false;
};

// Empty problem text when the arguments make sense.
std::string Parse(const std::vector<std::string>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string* value = nullptr;
        if (arg == "-o" || arg == "--output")
            value = &options.out;
        else if (arg == "--title")
            value = &options.title;
        else if (arg == "--subtitle")
            value = &options.subtitle;
        else if (arg == "--assets")
            value = &options.assets;
        else if (arg == "--force")
            options.force = true;
        else if (arg.size() > 1 && arg[0] == '-')
            return "unknown option " + arg;
        else if (options.pdf.empty())
            options.pdf = arg;
        else
            return "more than one PDF given";
        if (value) {
            if (i + 1 == args.size()) return arg + " needs a value";
            *value = args[++i];
        }
    }
    if (options.pdf.empty()) return "no PDF given";
    if (options.out.empty()) return "no output given (-o OUT.flip)";
    return {};
}

int Fail(const std::string& message) {
    std::cerr << "brivane-flip pack: " << message << '\n';
    return EXIT_REJECTED;
}

}  // namespace

int PackCommand::Run(const std::vector<std::string>& args) {
    Options options;
    if (const std::string problem = Parse(args, options); !problem.empty()) return UsageError(COMMAND, problem);
    // The metadata is JSON text: it can only carry UTF-8.
    if (!IsValidUtf8(options.title) || !IsValidUtf8(options.subtitle))
        return Fail("the title and subtitle must be UTF-8 text");

    std::error_code ec;
    if (!fs::is_regular_file(options.pdf, ec)) return Fail("no such PDF file: " + options.pdf);
    if (fs::exists(options.out, ec) && !options.force)
        return Fail(options.out + " already exists (use --force to replace it)");
    if (fs::is_directory(options.out, ec)) return Fail(options.out + " is a directory");
    if (!options.assets.empty() && !fs::is_directory(options.assets, ec))
        return Fail("no such assets directory: " + options.assets);

    const auto pdf = document::PdfInfo::Read(fs::absolute(options.pdf, ec).lexically_normal().string());
    if (!pdf) return Fail(pdf.Failure().text);
    const auto pdfSize = fs::file_size(options.pdf, ec);
    if (ec || pdfSize == 0) return Fail("cannot measure " + options.pdf);

    const auto assets = options.assets.empty() ? std::vector<document::FlipbookWriter::Asset>{}
                                               : document::FlipbookWriter::AssetsUnder(options.assets);
    if (!assets) return Fail(assets.Failure().message);
    std::vector<std::string> assetNames;
    for (const auto& asset : *assets) assetNames.push_back(asset.first);

    const nlohmann::json metadata =
        document::PdfBook::Metadata(*pdf, pdfSize, options.title, options.subtitle, assetNames);
    if (const auto written =
            document::FlipbookWriter::Write(options.out, document::WriteMetadata(metadata), options.pdf, *assets);
        !written)
        return Fail(written.Failure().message);
    std::cout << options.out << '\n';
    return EXIT_ACCEPTED;
}

}  // namespace brivane::tools
