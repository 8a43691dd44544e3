#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/winmsg.h"

TEST(PlatformWinMsg, RegisteredMessagesAreStablePerName) {
    const UINT a = RegisterWindowMessageW(L"Vantel.Test.Alpha");
    const UINT b = RegisterWindowMessageW(L"Vantel.Test.Beta");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_GE(b, 0xC000u);
    EXPECT_NE(a, b);
    EXPECT_EQ(RegisterWindowMessageW(L"Vantel.Test.Alpha"), a);
    EXPECT_EQ(RegisterWindowMessageW(L""), 0u);
    EXPECT_EQ(RegisterWindowMessageW(nullptr), 0u);
}

TEST(PlatformWinMsg, PostDeliversToTheRightSinkAndHandlesAreNotReused) {
    std::vector<std::tuple<UINT, WPARAM, LPARAM>> first, second;
    const HWND h1 = CreatePostTarget([&](UINT m, WPARAM w, LPARAM l) { first.emplace_back(m, w, l); });
    const HWND h2 = CreatePostTarget([&](UINT m, WPARAM w, LPARAM l) { second.emplace_back(m, w, l); });
    ASSERT_NE(h1, 0u);
    ASSERT_NE(h2, 0u);
    ASSERT_NE(h1, h2);

    EXPECT_TRUE(PostMessageW(h1, 0xC123, 7, -3));
    EXPECT_TRUE(PostMessageW(h2, 0x0400, 0, 42));
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], std::make_tuple(UINT{0xC123}, WPARAM{7}, LPARAM{-3}));
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0], std::make_tuple(UINT{0x0400}, WPARAM{0}, LPARAM{42}));

    DestroyPostTarget(h1);
    EXPECT_FALSE(PostMessageW(h1, 1, 2, 3));
    EXPECT_EQ(first.size(), 1u);
    DestroyPostTarget(h1);  // twice is harmless

    const HWND h3 = CreatePostTarget([](UINT, WPARAM, LPARAM) {});
    EXPECT_NE(h3, h1);
    EXPECT_FALSE(PostMessageW(h1, 1, 2, 3));
    EXPECT_FALSE(PostMessageW(0, 1, 2, 3));
    DestroyPostTarget(h2);
    DestroyPostTarget(h3);
}

TEST(PlatformWinMsg, PostsFromManyThreadsAllArriveInOrderPerThread) {
    constexpr int kThreads = 4, kPosts = 2000;
    std::vector<int> lastSeen(kThreads, -1);
    int received = 0;
    bool outOfOrder = false;
    // Sinks run under the window's lock, so plain variables are safe here.
    const HWND hwnd = CreatePostTarget([&](UINT, WPARAM thread, LPARAM seq) {
        if (seq != lastSeen[thread] + 1) outOfOrder = true;
        lastSeen[thread] = static_cast<int>(seq);
        ++received;
    });
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i)
                if (!PostMessageW(hwnd, 0xC000, static_cast<WPARAM>(t), i)) ++failed;
        });
    for (auto& th : threads) th.join();
    DestroyPostTarget(hwnd);
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(received, kThreads * kPosts);
    EXPECT_FALSE(outOfOrder);
}

TEST(PlatformWinMsg, NoSinkCallAfterDestroyReturns) {
    std::atomic<bool> destroyed{false};
    std::atomic<int> calls{0};
    std::atomic<int> lateCalls{0};
    const HWND hwnd = CreatePostTarget([&](UINT, WPARAM, LPARAM) {
        if (destroyed.load()) ++lateCalls;
        ++calls;
    });
    std::vector<std::thread> threads;
    std::atomic<int> stoppedPosters{0};
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&] {
            while (PostMessageW(hwnd, 0xC001, 0, 0)) {
            }
            ++stoppedPosters;
        });
    while (calls.load() < 1000) std::this_thread::yield();
    DestroyPostTarget(hwnd);
    destroyed = true;
    for (auto& th : threads) th.join();
    EXPECT_EQ(stoppedPosters.load(), 3);
    EXPECT_EQ(lateCalls.load(), 0);
}
