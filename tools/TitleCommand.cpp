#include "tools/TitleCommand.h"

#include "base/Diagnostics.h"
#include "document/DecodeHTML.h"
#include "document/FlipbookMeta.h"

namespace brivane::tools {

const Command TitleCommand::COMMAND{"title", "FILE", &TitleCommand::Run};

int TitleCommand::Run(const std::vector<std::string>& args) {
    const auto url = SingleFileUrl(COMMAND, args);
    if (!url) return EXIT_USAGE;
    Diagnostics::Line(document::decodeHTML(document::FlipbookMeta(*url).GetTitle()));
    return EXIT_ACCEPTED;
}

}  // namespace brivane::tools
