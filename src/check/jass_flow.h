// Whether the statements of a function so far end in a return on every
// path: a return last, or an if with an else whose every branch ends so.
#pragma once

#include <vector>

namespace zarn::jass {

class ReturnFlow {
 public:
  void Begin();
  void Statement(bool is_return) { ends_in_return_ = is_return; }
  void OpenIf();
  void OpenLoop();
  void Branch(bool is_else);
  void CloseIf();
  void CloseLoop();
  bool EndsInReturn() const { return ends_in_return_; }

 private:
  struct Frame {
    bool is_if = false;
    bool had_else = false;
    bool all_return = true;  // every branch before the current one
  };
  std::vector<Frame> open_;
  bool ends_in_return_ = false;
};

}  // namespace zarn::jass
