// Keeps the line origins of a text true while the rewrite loops change it:
// each loop says where its changes land, and the origins follow from them,
// without a copy of the text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/line_origins.h"

namespace zarn {

// While it lives on this thread, every rewrite loop (text/rewrite.h, the
// engine and the plain rule) that changes `text` itself, the very string,
// carries `origins` (one per line of `text`) over to the changed text.
// Watches nest: the innermost one watches.
class EditWatch {
 public:
  EditWatch(const std::string& text, LineOrigins& origins);
  ~EditWatch();
  EditWatch(const EditWatch&) = delete;
  EditWatch& operator=(const EditWatch&) = delete;

  // Whether a rewrite loop changed the text.
  bool edited() const { return edited_; }

  // Whether a watch follows `text`: loops need not collect their changes
  // for a text nobody watches.
  static bool Watches(const std::string& text);

  // Called by every rewrite loop just before it replaces `text` by the text
  // that `splices` (in order, not overlapping) make of it.
  static void NoteSplices(const std::string& text, const std::vector<Splice>& splices) {
    NoteSplices(text, text, splices);
  }
  // The same for a loop that has changed `text` already: `before` is a copy
  // of it as it was.
  static void NoteSplices(const std::string& text, std::string_view before, const std::vector<Splice>& splices);

  // Called by a loop that has deleted the whole last line of `text`, which
  // did not end with a line break, and changed no other line.
  static void DropLastLine(const std::string& text);

 private:
  const std::string* target_;
  EditWatch* outer_;
  bool edited_ = false;
  LineOrigins& origins_;
};

}  // namespace zarn
