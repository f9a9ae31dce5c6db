#include "tools/CheckCommand.h"

#include "base/Diagnostics.h"
#include "document/FlipbookMeta.h"

namespace brivane::tools {

const Command CheckCommand::COMMAND{"check", "FILE", &CheckCommand::Run};

int CheckCommand::Run(const std::vector<std::string>& args) {
    const auto url = SingleFileUrl(COMMAND, args);
    if (!url) return EXIT_USAGE;
    const document::CheckResult result = document::ValidateFlipbookFile(*url);
    // Through the same channel as the library's own lines, so they stay in order.
    const bool accepted = result == document::CheckResult::Accepted;
    Diagnostics::Line(accepted ? "OK" : std::string(document::CheckCode(result)));
    return accepted ? EXIT_ACCEPTED : EXIT_REJECTED;
}

}  // namespace brivane::tools
