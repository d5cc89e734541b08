#include "search/repeated_keys.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Case {
  const char* what;
  uint64_t distinct;  // keys 1..distinct once each, in one bucket (top byte 0)
  std::vector<uint64_t> repeats;
  uint64_t expected = 0;  // room made beforehand (Expect), 0: none
};

// Enough keys in one bucket to be compacted and grown many times over, with
// repeats added before, between and after those rounds.
TEST(RepeatedKeys, FindsExactlyTheKeysAddedTwiceOrMore) {
  const Case cases[] = {
      {"nothing added", 0, {}},
      {"key 0 and the top of the range", 3, {0, 0, ~uint64_t{0}, ~uint64_t{0}, ~uint64_t{0}}},
      {"repeats across compactions", 50000, {7, 7, 7, 7, 49999, 12345}},
      {"one key many times", 20000, std::vector<uint64_t>(30000, 5)},
      {"room made beforehand", 50000, {7, 7, 7, 7, 49999, 12345}, 1 << 24},
  };
  for (const Case& c : cases) {
    RepeatedKeys keys;
    if (c.expected) keys.Expect(c.expected);
    for (size_t i = 0; i < c.repeats.size(); ++i) {
      keys.Add(c.repeats[i]);
      if (i == 0)
        for (uint64_t k = 1; k <= c.distinct; ++k) keys.Add(k);
    }
    keys.Finish();
    for (uint64_t k : {uint64_t{0}, uint64_t{1}, uint64_t{5}, uint64_t{7}, uint64_t{12345},
                       uint64_t{49999}, c.distinct + 1, ~uint64_t{0}}) {
      // Added more than once: once among 1..distinct, once more per repeat.
      size_t times = (k >= 1 && k <= c.distinct) ? 1 : 0;
      for (uint64_t r : c.repeats) times += r == k ? 1 : 0;
      EXPECT_EQ(keys.Contains(k), times > 1) << c.what << ", key " << k;
    }
  }
}

}  // namespace
