#include "text/edit_watch.h"

namespace zarn {

namespace {

thread_local EditWatch* current_watch = nullptr;

}  // namespace

EditWatch::EditWatch(const std::string& text, LineOrigins& origins)
    : target_(&text), outer_(current_watch), origins_(origins) {
  current_watch = this;
}

EditWatch::~EditWatch() { current_watch = outer_; }

bool EditWatch::Watches(const std::string& text) { return current_watch && current_watch->target_ == &text; }

void EditWatch::NoteSplices(const std::string& text, std::string_view before, const std::vector<Splice>& splices) {
  EditWatch* watch = current_watch;
  if (!watch || watch->target_ != &text || splices.empty()) return;
  watch->edited_ = true;
  SpliceOrigins(before, watch->origins_, splices);
}

void EditWatch::DropLastLine(const std::string& text) {
  EditWatch* watch = current_watch;
  if (!watch || watch->target_ != &text || watch->origins_.empty()) return;
  watch->edited_ = true;
  watch->origins_.pop_back();
}

}  // namespace zarn
