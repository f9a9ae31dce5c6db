#include "OpenCommand.h"

#include "Diagnostics.h"
#include "FlipbookFile.h"

#include <nlohmann/json.hpp>

namespace brivane::tools {

const Command OpenCommand::kCommand{"open", "FILE", &OpenCommand::Run};

int OpenCommand::Run(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError(kCommand);
    const auto url = ArgumentToUrl(args[0]);
    if (!url) return UsageError(kCommand, "cannot make a file URL of " + args[0]);
    document::FlipbookFile(*url).CreateCore();
    document::FlipbookFile book(*url);
    book.ExtractZip();
    const auto configuration = book.GetReaderConfiguration();
    if (!configuration) return EXIT_REJECTED;
    document::Diagnostics::Line(configuration->dump(4));
    return EXIT_ACCEPTED;
}

}  // namespace brivane::tools
