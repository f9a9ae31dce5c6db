#include "tools/OpenCommand.h"

#include "base/Diagnostics.h"
#include "document/FlipbookFile.h"
#include "document/ReaderConfiguration.h"

#include <nlohmann/json.hpp>

namespace brivane::tools {

const Command OpenCommand::COMMAND{"open", "FILE", &OpenCommand::Run};

int OpenCommand::Run(const std::vector<std::string>& args) {
    const auto url = SingleFileUrl(COMMAND, args);
    if (!url) return EXIT_USAGE;
    document::FlipbookFile(*url).CreateCore();
    document::FlipbookFile book(*url);
    // A failed unpacking leaves no configuration: the log has said why.
    static_cast<void>(book.ExtractZip());
    const auto configuration = book.GetReaderConfiguration();
    if (!configuration) return EXIT_REJECTED;
    Diagnostics::Line(document::ReaderConfiguration::Text(*configuration));
    return EXIT_ACCEPTED;
}

}  // namespace brivane::tools
