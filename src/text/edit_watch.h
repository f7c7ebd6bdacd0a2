// Keeps the line origins of a text true while the rewrite loops change it:
// each loop says where its changes land, and the origins follow from them,
// without a copy of the text.
#pragma once

#include <string>
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
  static void NoteSplices(const std::string& text, const std::vector<Splice>& splices);

 private:
  const std::string* target_;
  EditWatch* outer_;
  bool edited_ = false;
  LineOrigins& origins_;
};

}  // namespace zarn
