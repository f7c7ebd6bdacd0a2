#include "text/text_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zarn {
namespace {

TEST(FindTextTest, EdgeCases) {
  constexpr std::size_t npos = std::string_view::npos;
  struct Case {
    std::string_view hay, needle;
    std::size_t from, expected;
  };
  const std::string with_nul("ab\0cd\0ce", 8);
  const Case cases[] = {
      {"", "", 0, 0},
      {"abc", "", 3, 3},
      {"abc", "", 4, npos},
      {"abc", "abcd", 0, npos},
      {"abc", "c", 2, 2},
      {"abc", "c", 3, npos},
      {"aaab", "aab", 0, 1},
      {with_nul, std::string_view("\0c", 2), 3, 5},
      // A match whose last byte is the text's last byte, past a 16-byte block.
      {"0123456789abcdefghij", "hij", 0, 17},
      {"0123456789abcdefghij", "0123456789abcdefghij", 0, 0},
      {"0123456789abcdefghij", "0123456789abcdefghik", 0, npos},
  };
  for (const Case& c : cases) EXPECT_EQ(FindText(c.hay, c.needle, c.from), c.expected) << c.hay << " / " << c.needle;
}

TEST(FindTextTest, AgreesWithStringFindOnRandomTexts) {
  // A small alphabet gives many near misses (first and last bytes matching);
  // a wide one long stretches without a candidate, and needles taken from
  // the text are found there.
  std::mt19937 random(7);
  const std::string narrow = "aab\r\n", wide = "abcdefghijklmnopqrstuvwxyz\r\n";
  for (int round = 0; round < 3000; ++round) {
    const std::string& alphabet = round % 4 == 3 ? wide : narrow;
    // Long texts and needles too: the wide search takes 64 places at a time.
    std::string hay(random() % (round % 2 ? 80 : 400), 'a'), needle(1 + random() % (round % 3 ? 6 : 40), 'a');
    for (char& c : hay) c = alphabet[random() % alphabet.size()];
    for (char& c : needle) c = alphabet[random() % alphabet.size()];
    if (round % 8 == 7 && needle.size() < hay.size())
      needle = hay.substr(random() % (hay.size() - needle.size()), needle.size());
    std::size_t from = random() % (hay.size() + 2);
    ASSERT_EQ(FindText(hay, needle, from), std::string_view(hay).find(needle, from))
        << "hay " << hay << " needle " << needle << " from " << from;
  }
}

}  // namespace
}  // namespace zarn
