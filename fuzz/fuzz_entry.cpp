// The libFuzzer entry point of every target.
#include <cstddef>
#include <cstdint>

#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  brumel::fuzz::ReadInput({data, size});
  return 0;
}
