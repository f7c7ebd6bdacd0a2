// The programs' operator new: blocks of several megabytes (a script's text,
// the copies a rewrite makes of it) are asked to be backed by the system's
// large pages, so that a fresh 16 MB text costs a few page faults instead of
// four thousand. Everything else is malloc's, as before; delete is free.
// Built into the programs only (an object library), on Linux, and left out
// of sanitizer builds, whose runtimes bring their own operator new.
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;

// Advises the large pages that lie wholly inside the block; malloc hands out
// a block this size untouched, so its first use faults them in whole.
void AdviseLargePages(void* block, std::size_t size) {
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t begin = (start + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t end = (start + size) & ~(kLargePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void* Allocate(std::size_t size) noexcept {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block && size >= 2 * kLargePage) AdviseLargePages(block, size);
  return block;
}

void* AllocateOrThrow(std::size_t size) {
  for (;;) {
    if (void* block = Allocate(size)) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

#endif
