#include "check/jass_bodies.h"

#include <algorithm>
#include <atomic>
#include <deque>
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
// Bodies are taken a few at a time, so that the threads seldom meet on the
// counter or on the same cache line of the results.
constexpr std::size_t kBodiesTaken = 16;

// Where the problems of a body are: the problems of the thread that read it,
// from `begin` to `end`.
struct Found {
  std::size_t thread = 0, begin = 0, end = 0;
};

// Reads every body on up to `threads` threads, each taking the next body
// left; false when a body disagreed with the outline.
bool CheckBodies(std::string_view script, const Outline& outline, SymbolTable& table,
                 const FunctionAnnotations* annotations, std::size_t threads,
                 std::vector<std::vector<JassProblem>>& problems, std::vector<Found>& found) {
  const std::deque<DeferredBody>& bodies = outline.bodies;
  threads = std::max<std::size_t>(1, std::min(threads, bodies.size()));
  problems.resize(threads);
  found.resize(bodies.size());
  std::atomic<std::size_t> next{0};
  std::atomic<bool> agreed{true};
  std::mutex error_mutex;
  std::exception_ptr error;
  auto work = [&](std::size_t thread) {
    try {
      std::vector<JassProblem>& own = problems[thread];
      Semantics sem(table, annotations);
      BodyReader reader(script, own, sem);
      for (std::size_t first; (first = next.fetch_add(kBodiesTaken)) < bodies.size();) {
        for (std::size_t k = first; k < std::min(first + kBodiesTaken, bodies.size()); ++k) {
          const std::size_t begin = own.size();
          if (!reader.Read(bodies[k], outline)) agreed = false;
          found[k] = {thread, begin, own.size()};
        }
      }
    } catch (...) {
      next = bodies.size();
      const std::lock_guard<std::mutex> lock(error_mutex);
      if (!error) error = std::current_exception();
    }
  };
  std::vector<std::thread> pool;
  try {
    for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work, t);
  } catch (const std::system_error&) {
    // Fewer threads then: the calling one reads what the others do not.
  }
  work(0);
  for (std::thread& thread : pool) thread.join();
  if (error) std::rethrow_exception(error);
  return agreed;
}

// The outline's own problems with each body's at its place.
std::vector<JassProblem> Merge(std::vector<JassProblem>& own, const std::deque<DeferredBody>& bodies,
                               std::vector<std::vector<JassProblem>>& problems, const std::vector<Found>& found) {
  std::vector<JassProblem> merged;
  std::size_t taken = 0;
  auto move_in = [&merged](std::vector<JassProblem>& from, std::size_t begin, std::size_t end) {
    merged.insert(merged.end(), std::make_move_iterator(from.begin() + static_cast<std::ptrdiff_t>(begin)),
                  std::make_move_iterator(from.begin() + static_cast<std::ptrdiff_t>(end)));
  };
  for (std::size_t k = 0; k < bodies.size(); ++k) {
    move_in(own, taken, bodies[k].problems_before);
    taken = bodies[k].problems_before;
    move_in(problems[found[k].thread], found[k].begin, found[k].end);
  }
  move_in(own, taken, own.size());
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
  Outline outline;
  std::vector<JassProblem> own;
  if (!OutlineProgramSource(script, own, *sem, outline, true)) {
    problems = std::move(own);
    return false;
  }
  std::vector<std::vector<JassProblem>> found;
  std::vector<Found> places;
  if (CheckBodies(script, outline, table, annotations, threads, found, places)) {
    problems = Merge(own, outline.bodies, found, places);
    return true;
  }
  table = std::move(before);
  sem.emplace(table, annotations);
  return CheckProgramSource(script, problems, *sem);
}

}  // namespace zarn::jass
