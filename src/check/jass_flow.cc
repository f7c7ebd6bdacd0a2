#include "check/jass_flow.h"

namespace zarn::jass {

void PathFlow::Begin() {
  depth_ = loops_ = 0;
  set_.clear();
  set_in_loop_.clear();
  trail_.clear();
  waiting_.clear();
  returns_ = false;
}

PathFlow::Frame& PathFlow::Open(bool is_if) {
  if (depth_ == frames_.size()) frames_.emplace_back();
  Frame& frame = frames_[depth_++];
  frame.is_if = is_if;
  frame.had_else = false;
  frame.all_return = true;
  frame.outer_returns = returns_;
  frame.trail_start = trail_.size();
  frame.set_by_branches.clear();
  returns_ = false;
  return frame;
}

void PathFlow::OpenIf() { Open(true); }

void PathFlow::OpenLoop() {
  Open(false);
  if (loops_++ == 0) ++loop_round_;
}

// The branch of `frame` that ends here: what it set counts after the if,
// and is undone for the next branch.
void PathFlow::EndBranch(Frame& frame) {
  const std::size_t begin = frame.trail_start;
  frame.set_by_branches.insert(frame.set_by_branches.end(), trail_.begin() + begin, trail_.end());
  for (std::size_t i = begin; i < trail_.size(); ++i) set_[trail_[i]] = 0;
  trail_.resize(begin);
  frame.all_return &= returns_;
  returns_ = false;
}

void PathFlow::Branch(bool is_else) {
  if (depth_ == 0 || !frames_[depth_ - 1].is_if) return;  // the grammar reports it
  Frame& frame = frames_[depth_ - 1];
  EndBranch(frame);
  frame.had_else |= is_else;
}

void PathFlow::Close(std::vector<ReadAt>& unset) {
  if (depth_ == 0) return;  // the grammar reports it
  Frame& frame = frames_[--depth_];
  if (!frame.is_if) {
    // A loop's sets stand, and a return in its body counts.
    returns_ = frame.outer_returns || returns_;
    if (--loops_ > 0) return;
    for (const ReadAt& read : waiting_)
      if (set_in_loop_[read.local] != loop_round_) unset.push_back(read);
    waiting_.clear();
    return;
  }
  EndBranch(frame);
  for (std::uint32_t local : frame.set_by_branches) MarkSet(local);
  returns_ = frame.outer_returns || (frame.had_else && frame.all_return);
}

void PathFlow::Declare(std::size_t local, bool set) {
  if (set_.size() <= local) {
    set_.resize(local + 1, 0);
    set_in_loop_.resize(local + 1, 0);
  }
  set_[local] = set;
}

void PathFlow::MarkSet(std::size_t local) {
  if (set_[local]) return;
  set_[local] = 1;
  trail_.push_back(static_cast<std::uint32_t>(local));
}

void PathFlow::Set(std::size_t local) {
  if (local >= set_.size()) return;
  if (loops_ > 0) set_in_loop_[local] = loop_round_;
  MarkSet(local);
}

bool PathFlow::Read(const ReadAt& read) {
  if (read.local >= set_.size() || set_[read.local]) return true;
  if (loops_ == 0) return false;
  waiting_.push_back(read);
  return true;
}

}  // namespace zarn::jass
