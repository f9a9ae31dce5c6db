// Arbitrary bytes as an archive, unpacked into a scratch directory: whatever
// happens, nothing outside it is written and no link leads out of it.

#include "base/TreeRemover.h"
#include "base/Unique.h"
#include "document/archive/ArchiveExtractor.h"
#include "document/archive/LinkGuard.h"
#include "fuzz/FuzzScratch.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>

using namespace brivane;
namespace fs = std::filesystem;

namespace {

// Everything directly in the scratch directory besides the destination.
std::string Listing(const std::string& dir) {
    std::string listing;
    for (const auto& entry : fs::directory_iterator(dir)) listing += entry.path().filename().string() + "\n";
    return listing;
}

void CheckLinksStayInside(const std::string& dest) {
    UniqueFd root(open(dest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dest, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_symlink()) continue;
        std::string rel = it->path().lexically_relative(dest).string();
        if (document::LinkGuard::Check(root.Get(), rel) == document::LinkGuard::Verdict::Outside) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto& scratch = fuzz::FuzzScratch::Get();
    std::string archive = scratch.WriteFile("input.zip", std::string(reinterpret_cast<const char*>(data), size));
    std::string dest = scratch.Path() + "/dest";
    TreeRemover::Remove(dest);
    mkdir(dest.c_str(), 0700);
    std::string before = Listing(scratch.Path());

    // Refusing is fine; only what is left on the disk is judged.
    static_cast<void>(document::ArchiveExtractor::Unpack(archive, dest));

    if (Listing(scratch.Path()) != before) abort();
    CheckLinksStayInside(dest);
    return 0;
}
