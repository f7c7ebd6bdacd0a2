#include "passes/normalise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "text/matcher.h"
#include "text/rewrite.h"
#include "text/text.h"

namespace zarn {
namespace {

// The plain rules, one search of the live text per match: the reference the
// one-pass comment removal must reproduce byte for byte.
std::string PlainRemoveComments(std::string live) {
  Matcher lines("//(?:[^!\\r\\n].*?)?$", MatchMode::kDotAllMultiLine);
  for (bool found = lines.First(live); found; found = lines.Next()) {
    if (lines.Matched() != "//")
      DeleteFirstIn(live, lines.Matched());
    else
      live.erase(live.size() - (lines.Subject().size() - lines.Offset()), 2);  // its own place
  }
  Matcher blocks("/\\*.*?\\*/", MatchMode::kWholeText);
  for (bool found = blocks.First(live); found; found = blocks.Next()) ReplaceAllIn(live, blocks.Matched(), "");
  return live;
}

std::string Removed(std::string text) {
  RemoveComments(text);
  return text;
}

TEST(Normalise, SpacesAndEmptyLines) {
  Lines lines = {"  local  integer\t\ti ", "a\tb", "a  b   c", " \t \f"};
  NormaliseSpaces(lines);
  // The run of three keeps two blanks once the run of two is replaced everywhere.
  EXPECT_EQ(lines, (Lines{"local integer i", "a\tb", "a b  c", ""}));
  RemoveEmptyLines(lines);
  EXPECT_EQ(lines, (Lines{"local integer i", "a\tb", "a b  c"}));
}

// Lines that need no change are left in place; the result must still be
// that of collapsing and trimming every line.
TEST(Normalise, SpacesAndEmptyLinesAgreeWithTheLineRulesOnRandomLines) {
  const char bytes[] = {' ', '\t', '\r', '\f', '\v', '\x01', 'a', 'b', '\xa0'};
  std::mt19937 random(5);
  Lines lines, collapsed, trimmed;
  for (int i = 0; i < 2000; ++i) {
    std::string line(random() % 12, 'a');
    for (char& c : line) c = bytes[random() % sizeof bytes];
    lines.push_back(line);
    collapsed.push_back(CollapseWhitespace(TrimView(line)));
    if (!Trim(line).empty()) trimmed.push_back(Trim(line));
  }
  Lines spaced = lines;
  NormaliseSpaces(spaced);
  EXPECT_EQ(spaced, collapsed);
  RemoveEmptyLines(lines);
  EXPECT_EQ(lines, trimmed);
}

// The one-pass conversions against the line rules they stand for, on texts
// with every kind of line end, NUL, high and control bytes, blank-only lines
// and lines longer than the splitter's sixteen-byte blocks.
TEST(Normalise, OnePassConversionsAgreeWithTheLineRules) {
  const char alphabet[] =
      "  \t\f\v\r\n\r\n\0\x01\xa0\xff"
      "abcdefgh";
  const std::string bytes(alphabet, sizeof alphabet - 1);
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    std::size_t length = random() % 200;
    for (std::size_t i = 0; i < length; ++i) {
      char c = bytes[random() % bytes.size()];
      // Mostly NUL-free, so that the text past the first NUL is usually long.
      if (c == '\0' && random() % 4 != 0) c = 'x';
      text += c;
      if (random() % 30 == 0) text += std::string(random() % 40, c == '\0' ? ' ' : c);
    }
    // Reference split: a byte loop by the line rules.
    Lines reference;
    std::string_view rest = UpToNul(text);
    for (std::size_t i = 0; i < rest.size();) {
      std::size_t end = i;
      while (end < rest.size() && rest[end] != '\r' && rest[end] != '\n') ++end;
      reference.emplace_back(rest.substr(i, end - i));
      i = end + (end < rest.size() && rest[end] == '\r');
      i += i < rest.size() && rest[i] == '\n';
    }
    Lines lines = SplitText(text);
    ASSERT_EQ(lines, reference);

    Lines normalised = lines;
    NormaliseSpaces(normalised);
    EXPECT_EQ(JoinNormalisedLines(lines), JoinLines(normalised));
    // From the file's bytes: lone ends make the text outgrow them (a new
    // text); with CR LF ends only it stays in the bytes' own buffer.
    std::string crlf;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) crlf += '\r';
      crlf += text[i];
      if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) crlf += '\n';
    }
    // The empty-line pass, too, works in place with CR LF ends and finishes
    // in a new text at a lone end.
    for (const std::string& input : {text, crlf}) {
      Lines input_lines = SplitText(input);
      NormaliseSpaces(input_lines);
      std::string in_place = input;
      NormaliseBytesIntoText(in_place);
      EXPECT_EQ(in_place, JoinLines(input_lines));

      Lines kept = SplitText(input);
      RemoveEmptyLines(kept);
      std::string fused = input;
      RemoveEmptyLinesFromText(fused);
      EXPECT_EQ(fused, JoinLines(kept));
    }
    Lines kept = lines;
    RemoveEmptyLines(kept);
    EXPECT_EQ(SplitTrimmedLines(text), kept);
  }
}

// Scripts of a megabyte and more are normalised, and their empty lines
// removed, in two halves, the second on its own thread; the result is the
// same as line by line, and each kept line keeps its origin.
TEST(Normalise, LargeScriptsNormaliseAsLineByLine) {
  std::mt19937 random(5);
  const char* const pieces[] = {"  call f( a,  b )", "\t set x=1 ", "", "   ", "endfunction", "a\tb  c"};
  const char* const ends[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", "\n\r"};
  for (int crlf_only = 1; crlf_only >= 0; --crlf_only) {
    std::string text;
    while (text.size() < (3u << 19)) {
      text += pieces[random() % 6];
      text += ends[crlf_only ? 0 : random() % 6];
    }
    Lines lines = SplitText(text);
    NormaliseSpaces(lines);
    std::string bytes = text;
    NormaliseBytesIntoText(bytes);
    // Compared without printing a megabyte-long difference.
    const std::string expected = JoinLines(lines);
    const auto differ = std::mismatch(bytes.begin(), bytes.end(), expected.begin(), expected.end());
    EXPECT_TRUE(differ.first == bytes.end() && differ.second == expected.end())
        << (crlf_only ? "CR LF ends" : "mixed ends") << ": first difference at byte " << (differ.first - bytes.begin());

    // The empty-line pass on the normalised text, with each line's origin.
    LineOrigins origins(lines.size());
    for (std::size_t k = 0; k < origins.size(); ++k) origins[k] = static_cast<std::uint32_t>(k * 3 + 1);
    LineOrigins expected_origins;
    std::string expected_kept;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      if (lines[k].empty()) continue;
      expected_kept += lines[k] + "\r\n";
      expected_origins.push_back(origins[k]);
    }
    RemoveEmptyLinesFromText(bytes, &origins);
    EXPECT_TRUE(bytes == expected_kept) << (crlf_only ? "CR LF ends" : "mixed ends");
    EXPECT_TRUE(origins == expected_origins) << (crlf_only ? "CR LF ends" : "mixed ends");
  }
}

TEST(RemoveComments, Cases) {
  const std::pair<const char*, const char*> cases[] = {
      {"call f() // note\r\n", "call f() \r\n"},
      {"//! import a\r\nx //!keep // c\r\n", "//! import a\r\nx //!keep \r\n"},
      {"a /* b\r\nc */ e/* b */f\r\n", "a  ef\r\n"},
      {"/* x // y */\r\nq */ r\r\n", " r\r\n"},        // line comments first
      {"/* a /* b */ c */\r\n", " c */\r\n"},          // no nesting
      {"/* x */a/* x */b /* c\r\n", "ab /* c\r\n"},    // identical; unterminated
      {"//!if\r\n//\r\ny\r\n", "//!if\r\n\r\ny\r\n"},  // a bare "//" removes only itself
      {"a // c\rb // c\nc\n", "a \rb \nc\n"},
      {"call s(\"http://x\")\r\n", "call s(\"http:\r\n"},
  };
  for (auto [in, out] : cases) {
    EXPECT_EQ(Removed(in), out) << in;
    EXPECT_EQ(PlainRemoveComments(in), out) << in << " (reference)";
  }
}

TEST(RemoveComments, OnePassMatchesThePlainRulesOnGeneratedScripts) {
  static const char* const kPieces[] = {"//", "/*", "*/",   "/",  "*",  "!",   "//!",  "// c",  "/* c */",
                                        "a",  " ",  "\r\n", "\r", "\n", "///", "/**/", "\"//\""};
  std::mt19937 random(20240601);
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (int n = i % 31; n > 0; --n) text += kPieces[piece(random)];
    ASSERT_EQ(Removed(text), PlainRemoveComments(text)) << text;
  }
}

// The shared one-pass idioms where the plain rules act away from a match's own
// place: recurring texts, texts formed by deletions, nested spans.
TEST(OnePassRewrites, MatchThePlainIdioms) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> letter(0, 3);
  auto remove = [](std::string_view) { return std::string(); };
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (int n = i % 25; n > 0; --n) text += "ab<>"[letter(random)];
    std::string plain = text, fast = text;
    DeleteFirstForEachMatch(plain, "ab[ab]*?b", MatchMode::kWholeText,
                            [](std::string_view m) { return std::string(m); });
    DeleteFirstOccurrenceOfEachMatch(fast, "ab[ab]*?b", MatchMode::kWholeText, "ab",
                                     [](std::string_view) { return false; });
    ASSERT_EQ(fast, plain) << text;

    plain = fast = ReplaceAll(ReplaceAll(text, "<", "/*"), ">", "*/");
    ReplaceEachMatch(plain, "/\\*.*?\\*/", MatchMode::kWholeText, remove);
    DeleteEveryOccurrenceOfEachSpan(fast, "/\\*.*?\\*/", MatchMode::kWholeText, "/*");
    ASSERT_EQ(fast, plain) << text;
  }
}

// The comment scan finds what the comment pattern's scan finds, on texts of
// slashes, bangs, line breaks of every kind and NUL bytes.
TEST(LineComments, FindWhatThePatternFinds) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> byte(0, 6);
  const std::string alphabet("/!\r\na \0", 7);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (int n = i % 30; n > 0; --n) text += alphabet[byte(random)];
    FoundMatches expected;
    Matcher m("//(?:[^!\\r\\n].*?)?$", MatchMode::kDotAllMultiLine);
    for (bool found = m.Scan(text); found; found = m.Next()) expected.emplace_back(m.Offset(), m.Matched().size());
    ASSERT_EQ(LineComments(text), expected) << testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace zarn
