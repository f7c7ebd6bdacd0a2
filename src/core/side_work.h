// Work a run does beside its passes: on a thread of its own when the script
// is large enough to gain by it, otherwise at once. What the work reads must
// stay as it is while the passes run (the input's bytes do: the run keeps
// them). Its result, or what it threw, is taken once the passes are done;
// work whose result is never taken has thrown nothing the run shows.
#pragma once

#include <cstddef>
#include <future>
#include <utility>

namespace zarn {

// Scripts from this size on are large enough for a second thread to pay.
inline constexpr std::size_t kSideWorkFrom = std::size_t{1} << 20;

template <class T>
class SideWork {
 public:
  template <class Work>
  SideWork(bool beside, Work&& work) {
    if (beside) {
      result_ = std::async(std::launch::async, std::forward<Work>(work));
      return;
    }
    std::promise<T> done;
    try {
      done.set_value(work());
    } catch (...) { done.set_exception(std::current_exception()); }
    result_ = done.get_future();
  }

  // The work's result; what it threw is thrown here.
  T Take() { return result_.get(); }

 private:
  std::future<T> result_;
};

}  // namespace zarn
