// Memory for a picture's pixels. New bytes are left unset, since a reader that writes every
// pixel would only overwrite a fill; and a block the size of a photograph asks the kernel for
// huge pages, so that its first touch takes one page fault per 2 MiB instead of per 4 KiB.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

namespace brumel {

// Raise std::bad_alloc when the memory is not there.
void* AllocatePictureBytes(std::size_t bytes);
void FreePictureBytes(void* block) noexcept;

template <typename T>
struct PictureAllocator {
  using value_type = T;

  PictureAllocator() = default;
  template <typename U>
  PictureAllocator(const PictureAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocatePictureBytes(count * sizeof(T)));
  }
  void deallocate(T* block, std::size_t) noexcept { FreePictureBytes(block); }

  // Default-initialised, which for bytes means untouched.
  template <typename U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <typename U, typename... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }

  template <typename U>
  bool operator==(const PictureAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace brumel
