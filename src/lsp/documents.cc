#include "lsp/documents.h"

#include <algorithm>

namespace zarn::lsp {

void DocumentStore::Open(const std::string& uri, std::string text, std::int64_t version) {
  documents_[uri] = Document{uri, std::make_shared<const std::string>(std::move(text)), version, ++revisions_};
}

bool DocumentStore::Change(const std::string& uri, const std::vector<TextEdit>& edits, std::int64_t version,
                           PositionEncoding encoding) {
  const auto found = documents_.find(uri);
  if (found == documents_.end()) return false;
  Document& document = found->second;
  auto text = std::make_shared<std::string>(document.text());
  for (const TextEdit& edit : edits) {
    if (!edit.range) {
      *text = edit.text;
      continue;
    }
    const LineTable lines(*text);
    std::size_t begin = lines.Offset(edit.range->start, encoding);
    std::size_t end = lines.Offset(edit.range->end, encoding);
    if (end < begin) std::swap(begin, end);
    text->replace(begin, end - begin, edit.text);
  }
  document.content = std::move(text);
  document.version = version;
  document.revision = ++revisions_;
  return true;
}

const Document* DocumentStore::Find(const std::string& uri) const {
  const auto found = documents_.find(uri);
  return found == documents_.end() ? nullptr : &found->second;
}

}  // namespace zarn::lsp
