#include "check/jass_bodies.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <iterator>
#include <mutex>
#include <system_error>
#include <thread>

#include "check/jass_grammar.h"

namespace zarn::jass {

namespace {

// Below this, starting threads costs more than the bodies take.
constexpr std::size_t kSplitMinBytes = 256 * 1024;
constexpr std::size_t kMaxThreads = 8;

// Reads every body on up to `threads` threads, each taking the next body
// left; false when a body disagreed with the outline.
bool CheckBodies(std::string_view script, const std::vector<DeferredBody>& bodies, SymbolTable& table,
                 const FunctionAnnotations* annotations, std::size_t threads,
                 std::vector<std::vector<JassProblem>>& found) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> agreed{true};
  std::mutex error_mutex;
  std::exception_ptr error;
  auto work = [&] {
    try {
      Semantics sem(table, annotations);
      for (std::size_t k; (k = next.fetch_add(1)) < bodies.size();)
        if (!CheckDeferredBody(script, bodies[k], found[k], sem)) agreed = false;
    } catch (...) {
      next = bodies.size();
      const std::lock_guard<std::mutex> lock(error_mutex);
      if (!error) error = std::current_exception();
    }
  };
  std::vector<std::thread> pool;
  try {
    for (std::size_t t = 1; t < std::min(threads, bodies.size()); ++t) pool.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads then: the calling one reads what the others do not.
  }
  work();
  for (std::thread& thread : pool) thread.join();
  if (error) std::rethrow_exception(error);
  return agreed;
}

// The outline's problems with each body's at its place.
std::vector<JassProblem> Merge(std::vector<JassProblem>& outline, const std::vector<DeferredBody>& bodies,
                               std::vector<std::vector<JassProblem>>& found) {
  std::vector<JassProblem> merged;
  std::size_t taken = 0;
  auto take_outline = [&](std::size_t to) {
    merged.insert(merged.end(), std::make_move_iterator(outline.begin() + static_cast<std::ptrdiff_t>(taken)),
                  std::make_move_iterator(outline.begin() + static_cast<std::ptrdiff_t>(to)));
    taken = to;
  };
  for (std::size_t k = 0; k < bodies.size(); ++k) {
    take_outline(bodies[k].problems_before);
    merged.insert(merged.end(), std::make_move_iterator(found[k].begin()), std::make_move_iterator(found[k].end()));
  }
  take_outline(outline.size());
  return merged;
}

}  // namespace

std::size_t BodyThreads(std::size_t asked, std::size_t size) {
  if (asked > 0) return asked;
  if (size < kSplitMinBytes) return 1;
  return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMaxThreads);
}

bool CheckSourceOnThreads(std::string_view script, std::vector<JassProblem>& problems, SymbolTable& table,
                          std::optional<Semantics>& sem, const FunctionAnnotations* annotations, std::size_t threads) {
  SymbolTable before = table;
  std::vector<DeferredBody> bodies;
  std::vector<JassProblem> outline;
  if (!OutlineProgramSource(script, outline, *sem, bodies)) {
    problems = std::move(outline);
    return false;
  }
  std::vector<std::vector<JassProblem>> found(bodies.size());
  if (CheckBodies(script, bodies, table, annotations, threads, found)) {
    problems = Merge(outline, bodies, found);
    return true;
  }
  table = std::move(before);
  sem.emplace(table, annotations);
  return CheckProgramSource(script, problems, *sem);
}

}  // namespace zarn::jass
