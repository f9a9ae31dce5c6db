// Every test process gets its own temporary directory, so workspace roots
// (which live under it) never collide between tests run in parallel.

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    brivane::test::TempDir tmp;
    setenv("TMPDIR", tmp.Path().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
