// A test fixture that starts the flat layer for each test, ends it afterwards and checks that the
// test left no native object behind.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "graphics/graphics.h"

namespace lumetra {

class Started : public ::testing::Test {
 protected:
  void SetUp() override {
    flat::StartupInput input;
    ASSERT_EQ(flat::GdiplusStartup(&token_, &input, nullptr), flat::Ok);
    last_status = 0;
    live_ = live();
  }
  void TearDown() override {
    flat::GdiplusShutdown(token_);
    EXPECT_EQ(live(), live_) << "native objects left behind";
  }

 private:
  static std::vector<std::size_t> live() {
    std::vector<std::size_t> counts;
    for (int k = 0; k <= static_cast<int>(flat::Kind::Stream); ++k)
      counts.push_back(flat::object_count(static_cast<flat::Kind>(k)));
    return counts;
  }
  std::uintptr_t token_ = 0;
  std::vector<std::size_t> live_;
};

// Marks `last_status` so a test can tell that no flat call stored a status since.
inline constexpr int kUntouched = 4242;

}  // namespace lumetra
