#include "TitleCommand.h"

#include "DecodeHTML.h"
#include "Diagnostics.h"
#include "FlipbookMeta.h"

namespace brivane::tools {

const Command TitleCommand::kCommand{"title", "FILE", &TitleCommand::Run};

int TitleCommand::Run(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError(kCommand);
    const auto url = ArgumentToUrl(args[0]);
    if (!url) return UsageError(kCommand, "cannot make a file URL of " + args[0]);
    document::Diagnostics::Line(web::decodeHTML(document::FlipbookMeta(*url).GetTitle()));
    return EXIT_ACCEPTED;
}

}  // namespace brivane::tools
