// One reader under test, fed from memory. The libFuzzer entry (fuzz_entry.cpp) and the replay
// program (replay_main.cpp) call the same ReadInput, so a kept input replays exactly what the
// fuzzer ran.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/bitmap.h"
#include "platform/error.h"

namespace brumel::fuzz {

// The reader's error text when it refuses the bytes, otherwise a short line on what it read.
// Anything but the reader's own error (another exception, a crash) escapes: that is a finding.
std::string ReadInput(std::span<const std::uint8_t> bytes);

// "picture W x H" for a picture a reader accepted; aborts when the reader let through a size
// beyond the picture bound, which the reader must refuse itself.
std::string PictureOutcome(const Bitmap& picture);

// Aborts when a reader that failed changed the picture it was handed.
void CheckUntouched(const Bitmap& picture);

// A picture the readers are handed, so that a failed read can be seen to leave it alone.
Bitmap Untouched();

// The outcome of a reader that fills a Bitmap or raises Error: read(picture) is the reader.
template <typename Read>
std::string PictureReadOutcome(Read read) {
  Bitmap picture = Untouched();
  try {
    read(picture);
  } catch (const Error& error) {
    CheckUntouched(picture);
    return error.what();
  }
  return PictureOutcome(picture);
}

}  // namespace brumel::fuzz
