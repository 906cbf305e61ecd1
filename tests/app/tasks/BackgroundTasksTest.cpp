#include "app/tasks/BackgroundTasks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <numeric>

#include "app/ModelTestSupport.h"

namespace raumfuchs {
namespace {

TEST(BackgroundTasks, PostsArriveInOrderAndNothingOutlivesTheOwner) {
    test::ensureApp();
    std::atomic<bool> freed = false;
    std::vector<int> arrived;
    std::vector<int> inOrder(1000);
    std::iota(inOrder.begin(), inOrder.end(), 0);
    {
        // What the task holds lets go slowly, as a large tree does.
        std::shared_ptr<int> slowToFree(new int, [&freed](const int* held) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            delete held;
            freed = true;
        });
        BackgroundTasks tasks;
        tasks.run([held = std::move(slowToFree), &arrived](const BackgroundTasks::Post& post) {
            for (int i = 0; i < 1000; ++i) {
                post([&arrived, i] { arrived.push_back(i); });
            }
        });
        // A task counts as running until what it holds is gone.
        ASSERT_TRUE(test::waitUntil([&] { return tasks.running() == 0; }));
        EXPECT_TRUE(freed);
        QCoreApplication::processEvents();
        EXPECT_EQ(arrived, inOrder);

        // Posted but not delivered when the owner goes: it never runs.
        tasks.run([&arrived](const BackgroundTasks::Post& post) {
            post([&arrived] { arrived.push_back(-1); });
        });
        while (tasks.running() > 0) {
            std::this_thread::yield();
        }
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(arrived, inOrder);
}

}  // namespace
}  // namespace raumfuchs
