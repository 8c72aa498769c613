// The correction pass made fast without changing a byte: the linear light of the cross-over is
// looked up per channel and sample value, each row's gains serve the row mirrored about the
// centre too, the last step is a comparison with the step positions of the gamma, and a large
// picture is split into bands of rows across the cores.
#pragma once

#include <functional>

#include "correct/correction_settings.h"
#include "platform/bitmap.h"

namespace brumel {

// Corrects like CorrectBitmapReference (byte for byte at 24 bits, within a unit at 48), with the
// given number of threads (at least one; the result does not depend on it). Returns false
// without touching a pixel when the gamma lies outside what the last step's lookup covers.
bool CorrectBitmapFast(const Bitmap& source, Bitmap& destination,
                       const CorrectionSettings& settings, int threadCount);

// Splits 0..count - 1 into threadCount bands (fewer when count is smaller) and runs
// work(first, end, band) for each on a thread of its own, the first band on the calling thread;
// returns when all are done. work must not throw.
void InBands(int count, int threadCount, const std::function<void(int, int, int)>& work);

// How many threads pay for a picture of this size: one at the preview's sizes, where starting a
// thread would cost more than it saves.
int CorrectionThreadCount(int width, int height);

}  // namespace brumel
