#include "check/jass_flow.h"

namespace zarn::jass {

void ReturnFlow::Begin() {
  open_.clear();
  ends_in_return_ = false;
}

void ReturnFlow::OpenIf() {
  open_.push_back({true, false, true});
  ends_in_return_ = false;
}

void ReturnFlow::OpenLoop() {
  open_.push_back({false, false, true});
  ends_in_return_ = false;
}

void ReturnFlow::Branch(bool is_else) {
  if (open_.empty() || !open_.back().is_if) return;  // the grammar reports it
  open_.back().all_return &= ends_in_return_;
  open_.back().had_else |= is_else;
  ends_in_return_ = false;
}

void ReturnFlow::CloseIf() {
  if (open_.empty()) return;
  const Frame frame = open_.back();
  open_.pop_back();
  ends_in_return_ = frame.is_if && frame.had_else && frame.all_return && ends_in_return_;
}

// A loop is left by exitwhen, so a return inside does not end every path.
void ReturnFlow::CloseLoop() {
  if (!open_.empty()) open_.pop_back();
  ends_in_return_ = false;
}

}  // namespace zarn::jass
