// The registry and whole pictures from several threads at once, each with objects of its own.
#include <atomic>
#include <thread>
#include <vector>

#include "tests/graphics/started.h"

namespace lumetra {
namespace {

using ThreadsTest = Started;

TEST_F(ThreadsTest, RegistryAddsFindsAndRemovesFromManyThreads) {
  std::vector<std::thread> threads;
  std::atomic<int> misses{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        Handle h = flat::add_object(std::make_shared<flat::Brush>());
        if (!flat::find<flat::Brush>(h) || flat::find<flat::Image>(h) ||
            !flat::remove_object(h, flat::Kind::Brush) || flat::find<flat::Brush>(h))
          ++misses;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(misses, 0);
}

TEST_F(ThreadsTest, ShadowPicturesAreMadeOnSeveralThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<Bytes> results(3);
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round) {
        Bitmap b;
        BlurEffect e;
        flat::BlurParams p{5, 1};
        if (!b.create(60, 40) || !e.create() || !e.set_parameters(&p)) return;
        for (int y = 10; y < 30; ++y)
          for (int x = 10; x < 50; ++x) b.set_pixel(x, y, 0xFF000000);
        if (!b.apply_effect(e)) return;
        Bitmap back;
        if (!back.from_bytes(b.save_to_bytes(kImageFormatPng))) return;
        results[t] = back.save_to_bytes(kImageFormatBmp);
      }
    });
  }
  for (auto& t : threads) t.join();
  ASSERT_FALSE(results[0].empty());
  EXPECT_EQ(results[1], results[0]);
  EXPECT_EQ(results[2], results[0]);
}

}  // namespace
}  // namespace lumetra
