// Every test process gets its own temporary directory, so workspace roots
// (which live under it) never collide between tests run in parallel.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::string pattern = (std::filesystem::temp_directory_path() / "brivane-ws-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 2;
    setenv("TMPDIR", pattern.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    std::error_code ec;
    for (auto& entry : std::filesystem::recursive_directory_iterator(pattern, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ec);
    std::filesystem::remove_all(pattern, ec);
    return result;
}
