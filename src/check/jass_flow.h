// The paths through a function's body, by one rule of structure for
// returns and for locals that are set.
//
// A body returns when one of its top-level statements is a return, an if
// with an else whose every branch returns, or a loop whose body returns.
//
// A local is read before it is set when no set of it comes before the read
// on any path: not before it in its own block or an enclosing one, not in a
// branch of an earlier if (a branch that returns counts too: real scripts
// set a local there and release it after the if), and not anywhere in a loop
// around the read, whose next round would bring the set before it. Reads
// inside a loop are therefore settled when the outermost loop around them
// closes.
//
// Every step is constant time but for the end of a branch, which costs the
// sets of that branch, and the end of an outermost loop, which costs the
// reads waiting for it: a body is judged in time linear in its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarn::jass {

class PathFlow {
 public:
  // A read that turned out to have no set before it on any path.
  struct ReadAt {
    std::size_t local = 0;
    std::size_t line = 0, column = 0;
  };

  void Begin();
  void Return() { returns_ = true; }
  void OpenIf();
  void OpenLoop();
  void Branch(bool is_else);
  // Closes the innermost if or loop, whichever "endif" or "endloop" ends.
  // Reads of the loop it closes that stay unset go to `unset`.
  void Close(std::vector<ReadAt>& unset);
  bool Returns() const { return returns_; }

  // Locals by their index in the function's scope.
  void Declare(std::size_t local, bool set);
  void Set(std::size_t local);
  // False when the read is known now to have no set before it; a read
  // inside a loop waits for the loop's end instead.
  bool Read(const ReadAt& read);

 private:
  struct Frame {
    bool is_if = false;
    bool had_else = false;
    bool all_return = true;  // every branch ended so far returns
    bool outer_returns = false;
    std::size_t trail_start = 0;
    std::vector<std::uint32_t> set_by_branches;
  };
  Frame& Open(bool is_if);
  void EndBranch(Frame& frame);
  void MarkSet(std::size_t local);

  std::vector<Frame> frames_;  // reused: only the first depth_ are open
  std::size_t depth_ = 0;
  std::size_t loops_ = 0;                   // open loops
  std::uint32_t loop_round_ = 0;            // counts outermost loops
  std::vector<std::uint8_t> set_;           // set on some path to here
  std::vector<std::uint32_t> set_in_loop_;  // the outermost loop of a local's last set
  std::vector<std::uint32_t> trail_;        // locals set since the open branches began, in order
  std::vector<ReadAt> waiting_;             // reads in the open outermost loop
  bool returns_ = false;
};

}  // namespace zarn::jass
