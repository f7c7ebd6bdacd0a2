#include "text/edit_watch.h"

namespace zarn {

namespace {

thread_local EditWatch* current_watch = nullptr;

}  // namespace

EditWatch::EditWatch(const std::string& text, std::string& before)
    : target_(&text), outer_(current_watch), before_(before) {
  current_watch = this;
}

EditWatch::~EditWatch() { current_watch = outer_; }

void EditWatch::NoteEdit(const std::string& text) {
  EditWatch* watch = current_watch;
  if (!watch || watch->target_ != &text || watch->edited_) return;
  watch->edited_ = true;
  watch->before_.assign(text);
}

}  // namespace zarn
