#include "platform/picture_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace brumel {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

void* AllocatePictureBytes(std::size_t bytes) {
  // A small picture would waste most of a huge page.
  if (bytes < 4 * kHugePage) {
    if (void* block = std::malloc(bytes == 0 ? 1 : bytes)) return block;
    throw std::bad_alloc();
  }
  const std::size_t whole = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, whole);
  if (block == nullptr) throw std::bad_alloc();
  // Only advice: where the kernel gives no huge pages the memory is just as good.
  madvise(block, whole, MADV_HUGEPAGE);
  return block;
}

void FreePictureBytes(void* block) noexcept {
  std::free(block);
}

}  // namespace brumel
