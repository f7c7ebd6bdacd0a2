// The open documents' current texts, with the client's edits applied.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lsp/positions.h"

namespace zarn::lsp {

struct Document {
  std::string uri;
  // Shared with the analysis made of it: an edit writes a new text.
  std::shared_ptr<const std::string> content;
  const std::string& text() const { return *content; }
  std::int64_t version = 0;
  // Counts every change, whatever versions the client gives: an analysis
  // of an older count is stale.
  std::uint64_t revision = 0;
};

// One edit of didChange: a range replaced, or with no range the whole text.
struct TextEdit {
  std::optional<Range> range;
  std::string text;
};

class DocumentStore {
 public:
  void Open(const std::string& uri, std::string text, std::int64_t version);
  // Applies the edits in order, each range in `encoding` and read against
  // the text as the edits before it left it. False for an unknown document.
  bool Change(const std::string& uri, const std::vector<TextEdit>& edits, std::int64_t version,
              PositionEncoding encoding);
  void Close(const std::string& uri) { documents_.erase(uri); }
  // Null for a document that is not open.
  const Document* Find(const std::string& uri) const;
  const std::map<std::string, Document>& all() const { return documents_; }

 private:
  std::map<std::string, Document> documents_;
  std::uint64_t revisions_ = 0;
};

}  // namespace zarn::lsp
