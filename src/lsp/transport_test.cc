#include "lsp/transport.h"

#include <gtest/gtest.h>

#include "lsp/documents.h"
#include "lsp/positions.h"

namespace zarn::lsp {
namespace {

std::vector<Incoming> ReadAll(const std::string& bytes, std::size_t piece) {
  MemorySource source(bytes, piece);
  MessageReader reader(source);
  std::vector<Incoming> all;
  for (Incoming next = reader.Next(); next.kind != Incoming::Kind::kEnd; next = reader.Next()) all.push_back(next);
  return all;
}

TEST(LspTransport, FramesAreReadWhateverPiecesTheyArriveIn) {
  const std::string bytes = Frame(R"({"a":1})") + "content-length:  8 \r\nContent-Type: x\r\n\r\n" + R"({"b":[]})" +
                            "Content-Length: 2\n\n{}";
  for (std::size_t piece : {1, 3, 64}) {
    const std::vector<Incoming> all = ReadAll(bytes, piece);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].message["a"], 1);
    EXPECT_TRUE(all[1].message["b"].is_array());
    EXPECT_TRUE(all[2].message.is_object());
  }
}

TEST(LspTransport, UnreadableMessagesAreReportedAndReadingGoesOn) {
  const std::string good = Frame(R"({"ok":true})");
  const std::vector<Incoming> all =
      ReadAll("Content-Length: 3\r\n\r\n{x}" + good + "X-Nothing: 1\r\n\r\n" + good +
                  "Content-Length: 99999999999999\r\n\r\n" + good + "Content-Length: 50\r\n\r\n{}",
              5);
  std::vector<Incoming::Kind> kinds;
  for (const Incoming& incoming : all) kinds.push_back(incoming.kind);
  using K = Incoming::Kind;
  EXPECT_EQ(kinds, (std::vector<K>{K::kUnreadable, K::kMessage, K::kUnreadable, K::kMessage, K::kUnreadable,
                                   K::kMessage, K::kUnreadable}));
}

TEST(LspTransport, AWaitingMessageIsOneReadWhole) {
  const std::string bytes = Frame("{}") + Frame("[1]") + "Content-Length: 10\r\n\r\n{";
  MemorySource source(bytes);
  MessageReader reader(source);
  EXPECT_FALSE(reader.HasWaitingMessage());
  reader.Next();
  EXPECT_TRUE(reader.HasWaitingMessage());
  reader.Next();
  EXPECT_FALSE(reader.HasWaitingMessage());
}

TEST(LspPositions, Utf16CountsSurrogatePairsAndStrayBytesCountOne) {
  // "é" 2 bytes, "😀" 4 bytes, 0xFF a stray byte, then "x".
  const std::string text = "ab\r\n\xC3\xA9\xF0\x9F\x98\x80\xFFx\rlast";
  const LineTable lines(text);
  ASSERT_EQ(lines.line_count(), 3u);
  const std::size_t x = text.find('x');
  EXPECT_EQ(lines.PositionOf(x, PositionEncoding::kUtf16), (Position{1, 4}));
  EXPECT_EQ(lines.PositionOf(x, PositionEncoding::kUtf8), (Position{1, 7}));
  EXPECT_EQ(lines.Offset({1, 4}, PositionEncoding::kUtf16), x);
  EXPECT_EQ(lines.Offset({1, 7}, PositionEncoding::kUtf8), x);
  // Past the line's end: the line's end; past the last line: the text's end.
  EXPECT_EQ(lines.Offset({0, 99}, PositionEncoding::kUtf16), 2u);
  EXPECT_EQ(lines.Offset({9, 0}, PositionEncoding::kUtf16), text.size());
  // A truncated sequence is stray bytes too.
  const std::string cut =
      "\xF0\x9F"
      "a";
  EXPECT_EQ(LineTable(cut).PositionOf(2, PositionEncoding::kUtf16), (Position{0, 2}));
}

TEST(LspDocuments, IncrementalEditsApplyInOrder) {
  DocumentStore store;
  store.Open("u", "h\xC3\xA9llo\nworld\n", 1);
  const std::vector<TextEdit> edits = {{Range{{0, 2}, {0, 4}}, "LL"},      // after "hé" (2 UTF-16 units)
                                       {Range{{1, 0}, {1, 5}}, "there"},   // read against the text the first edit left
                                       {Range{{2, 0}, {2, 0}}, "end\n"}};  // at the end
  ASSERT_TRUE(store.Change("u", edits, 2, PositionEncoding::kUtf16));
  EXPECT_EQ(store.Find("u")->text(), "h\xC3\xA9LLo\nthere\nend\n");
  EXPECT_EQ(store.Find("u")->version, 2);
  EXPECT_FALSE(store.Change("unknown", edits, 2, PositionEncoding::kUtf16));
}

}  // namespace
}  // namespace zarn::lsp
