// What a reader that produces a picture row by row tells about it while it reads, so that work
// on the finished rows can start before the last one is there; and what a writer waits on when
// that work may still be going on.
#pragma once

#include "platform/bitmap.h"

namespace brumel {

// Every call comes from the reader's thread and must not throw: the reader may call it from
// frames that its error handling leaves without unwinding.
class RowProgress {
 public:
  virtual ~RowProgress() = default;
  // The picture has its final size and format, and no row is final yet. It stays at this
  // address, and only rows that RowsFinished reported may be touched, until Ended.
  virtual void Started(Bitmap& picture) noexcept = 0;
  // Rows 0..rows - 1 are final: the reader will not write them again. Counts only grow.
  virtual void RowsFinished(int rows) noexcept = 0;
  // The read is over, with every row final when complete is true. May come without Started
  // (the read failed before there was a picture); afterwards the reader moves the picture on
  // or drops it.
  virtual void Ended(bool complete) noexcept = 0;
};

// Asked by a writer before it reads each row, from the writer's thread; must not throw either.
class RowGate {
 public:
  virtual ~RowGate() = default;
  // Returns once rows 0..rows - 1 are final.
  virtual void AwaitRows(int rows) noexcept = 0;
};

}  // namespace brumel
