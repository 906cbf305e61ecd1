#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/tree/FileTree.h"

namespace raumfuchs::test {

// Two threads call `walk` (which gives up with nullopt) while this one takes
// `settled`, then cuts out one of the root's folders, forty times: every
// answer a walk gave within one generation is the settled one of that
// generation.
template <typename Walk, typename Settled>
void expectWalksSeeOneStateOrGiveUp(const FileNode& root, Walk walk, Settled settled) {
    const FileTree& tree = root.tree();
    using Answer = decltype(settled());
    std::mutex mutex;
    std::map<std::uint64_t, Answer> expected;  // by generation
    std::vector<std::pair<std::uint64_t, Answer>> seen;
    std::atomic<bool> stop{false};
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const std::uint64_t before = tree.generation();
                const std::optional<Answer> answer = walk();
                if (answer && tree.generation() == before) {
                    std::lock_guard lock(mutex);
                    seen.emplace_back(before, *answer);
                }
            }
        });
    }
    for (int i = 0; i <= 40; ++i) {  // the answer before each cut and after the last
        {
            std::lock_guard lock(mutex);
            expected[tree.generation()] = settled();
        }
        if (i < 40) {
            root.tree().detach(
                root.child(static_cast<std::size_t>(i * 13) % root.childCount()).index());
        }
        std::this_thread::yield();
    }
    stop = true;
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(root.childCount(), 20u);
    EXPECT_FALSE(seen.empty());
    for (const auto& [generation, answer] : seen) {
        ASSERT_TRUE(expected.contains(generation));
        EXPECT_EQ(answer, expected[generation]) << "generation " << generation;
    }
}

}  // namespace raumfuchs::test
