#include "web/WorkspaceLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace brivane::web {
namespace {

using namespace std::chrono_literals;

// Two windows on one flipbook: the second's work on the workspace waits until
// the first's is done; work on another workspace does not wait.
TEST(WorkspaceLockTest, SecondHolderOfTheSameWorkspaceWaits) {
    const struct {
        std::string other;
        bool waits;
    } cases[] = {
        {"file:///tmp/r/Book-id/", true},
        {"file:///tmp/r/Book-id", true},  // before the directory exists its URL has no final slash
        {"file:///tmp/r/Other-id/", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.other);
        std::atomic<bool> entered = false;
        std::thread second;
        {
            WorkspaceLock first("file:///tmp/r/Book-id/");
            second = std::thread([&] {
                WorkspaceLock lock(c.other);
                entered = true;
            });
            std::this_thread::sleep_for(100ms);
            EXPECT_EQ(entered.load(), !c.waits);
        }
        second.join();
        EXPECT_TRUE(entered.load());
    }
}

TEST(WorkspaceLockTest, InUseLastsAsLongAsAnyMark) {
    std::shared_ptr<void> a, b;
    {
        WorkspaceLock lock("file:///tmp/r/Used-id/");
        EXPECT_FALSE(lock.InUse());
        a = lock.MarkInUse();
        b = lock.MarkInUse();
    }
    a.reset();
    EXPECT_TRUE(WorkspaceLock("file:///tmp/r/Used-id").InUse());
    b.reset();
    EXPECT_FALSE(WorkspaceLock("file:///tmp/r/Used-id/").InUse());
}

}  // namespace
}  // namespace brivane::web
