// Keeps a text as it stood before the rewrite loops first changed it, so
// that whoever watches can compare before and after, and pays for a copy
// only when there was an edit.
#pragma once

#include <string>

namespace zarn {

// While it lives on this thread, the first rewrite loop (text/rewrite.h) that
// is about to change `text` itself, the very string, copies it here first.
// Watches nest: the innermost one watches.
class EditWatch {
 public:
  // The copy goes to `before`, whose room is used again.
  EditWatch(const std::string& text, std::string& before);
  ~EditWatch();
  EditWatch(const EditWatch&) = delete;
  EditWatch& operator=(const EditWatch&) = delete;

  // Whether a rewrite loop changed (or may have changed) the text.
  bool edited() const { return edited_; }
  // The text before that first change; valid when edited().
  const std::string& before() const { return before_; }

  // Called by every rewrite loop before it changes `text`.
  static void NoteEdit(const std::string& text);

 private:
  const std::string* target_;
  EditWatch* outer_;
  bool edited_ = false;
  std::string& before_;
};

}  // namespace zarn
