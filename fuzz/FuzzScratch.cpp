#include "fuzz/FuzzScratch.h"

#include "base/Diagnostics.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace brivane::fuzz {

FuzzScratch::FuzzScratch() {
    std::string pattern = "/tmp/brivane-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    path_ = pattern;
    setenv("TMPDIR", path_.c_str(), 1);
    Diagnostics::SetSink([](std::string_view) {});
}

const FuzzScratch& FuzzScratch::Get() {
    static const FuzzScratch scratch;
    return scratch;
}

std::string FuzzScratch::WriteFile(const std::string& name, const std::string& bytes) const {
    std::string path = path_ + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

}  // namespace brivane::fuzz
