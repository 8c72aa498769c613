// Helpers shared by the tests of the image readers and writers: a temporary folder per test,
// file bytes, test pictures, outside tools, and a file-size limit that makes writes fail.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/error.h"
#include "platform/ports.h"

namespace brumel::testing {

namespace fs = std::filesystem;

// A fresh folder for each test, removed afterwards.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("brumel-images-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  // The names in the folder, so that a test can see that no partial file was left behind.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    return names;
  }

  fs::path folder_;
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Sets the file's last change (and access) to `seconds` before now, as a file left long ago.
inline void SetChangedAgo(const std::string& path, std::time_t seconds) {
  const std::time_t then = std::time(nullptr) - seconds;
  const utimbuf times{then, then};
  utime(path.c_str(), &times);
}

// A 24-bit picture whose every pixel differs from its neighbours, different per seed.
inline Bitmap Pattern(int width, int height, int seed = 0) {
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 7 + y * 3 + seed);
      row[3 * x + 1] = static_cast<std::uint8_t>(x * 13 + y * 29 + 2 * seed);
      row[3 * x + 2] = static_cast<std::uint8_t>(x * y + 91 + 3 * seed);
    }
  }
  return bitmap;
}

// A smooth 24-bit picture (gradients), which JPEG keeps close.
inline Bitmap Smooth(int width, int height) {
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(40 + 160 * x / width);
      row[3 * x + 1] = static_cast<std::uint8_t>(30 + 180 * y / height);
      row[3 * x + 2] = static_cast<std::uint8_t>(200 - 100 * (x + y) / (width + height));
    }
  }
  return bitmap;
}

// Blue, green, red of pixel (x, y) of a 24-bit bitmap, as one number 0xRRGGBB.
inline std::uint32_t Rgb(const Bitmap& bitmap, int x, int y) {
  const std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
  return static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

// Both 24 bits, of the same size, with the same colours (row padding ignored).
inline ::testing::AssertionResult SamePixels(const Bitmap& expected, const Bitmap& actual) {
  if (expected.Format() != PixelFormat::Bits24 || actual.Format() != PixelFormat::Bits24)
    return ::testing::AssertionFailure() << "not 24 bits";
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height())
    return ::testing::AssertionFailure()
           << "size " << actual.Width() << " x " << actual.Height() << ", expected "
           << expected.Width() << " x " << expected.Height();
  for (int y = 0; y < expected.Height(); ++y)
    for (int x = 0; x < expected.Width(); ++x)
      if (Rgb(expected, x, y) != Rgb(actual, x, y))
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << std::hex << Rgb(actual, x, y)
               << ", expected " << Rgb(expected, x, y);
  return ::testing::AssertionSuccess();
}

// A 48-bit picture whose samples use all 16 bits (the low byte is no copy of the high one, as
// in a widened picture), different per seed.
inline Bitmap Pattern48(int width, int height, int seed = 0) {
  Bitmap bitmap(width, height, PixelFormat::Bits48);
  for (int y = 0; y < height; ++y) {
    std::uint16_t* row = bitmap.SampleLine<std::uint16_t>(y);
    for (int i = 0; i < 3 * width; ++i)
      row[i] = static_cast<std::uint16_t>((i + 1) * 40503u + y * 7919u + seed * 257u + 1);
  }
  return bitmap;
}

// Both 48 bits, of the same size, with the same samples.
inline ::testing::AssertionResult SameSamples(const Bitmap& expected, const Bitmap& actual) {
  if (expected.Format() != PixelFormat::Bits48 || actual.Format() != PixelFormat::Bits48)
    return ::testing::AssertionFailure() << "not 48 bits";
  if (expected.Width() != actual.Width() || expected.Height() != actual.Height())
    return ::testing::AssertionFailure() << "size " << actual.Width() << " x " << actual.Height();
  for (int y = 0; y < expected.Height(); ++y)
    for (int i = 0; i < 3 * expected.Width(); ++i)
      if (expected.SampleLine<std::uint16_t>(y)[i] != actual.SampleLine<std::uint16_t>(y)[i])
        return ::testing::AssertionFailure()
               << "sample " << i << " of row " << y << " is "
               << actual.SampleLine<std::uint16_t>(y)[i] << ", expected "
               << expected.SampleLine<std::uint16_t>(y)[i];
  return ::testing::AssertionSuccess();
}

// A 48-bit picture as the raw samples ImageMagick reads and writes with
// "-depth 16 -endian MSB rgb:FILE": red, green, blue, two big-endian bytes each.
inline std::vector<std::uint8_t> RawRgb16(const Bitmap& bitmap) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      for (int c = 2; c >= 0; --c) {
        const std::uint16_t sample = bitmap.SampleLine<std::uint16_t>(y)[3 * x + c];
        bytes.push_back(static_cast<std::uint8_t>(sample >> 8));
        bytes.push_back(static_cast<std::uint8_t>(sample));
      }
  return bytes;
}

// The largest difference of one channel between two pictures of the same size.
inline int MaxDifference(const Bitmap& a, const Bitmap& b) {
  int most = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int i = 0; i < 3 * a.Width(); ++i)
      most = std::max(most, std::abs(a.ScanLine(y)[i] - b.ScanLine(y)[i]));
  return most;
}

// The text of the error type that call raises, or "" when it raises nothing.
template <typename Call>
std::string ErrorOf(Call call) {
  try {
    call();
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

// The message boxes shown, in order; an error's text after "error: ".
class RecordingMessages : public MessagePort {
 public:
  void ShowInformation(const std::string& text) override { shown.push_back(text); }
  void ShowError(const std::string& text) override { shown.push_back("error: " + text); }
  std::vector<std::string> shown;
};

// True when the named program is on the PATH.
inline bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; true when it exits with 0.
inline bool RunCommand(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

inline std::string Quoted(const std::string& path) {
  return "'" + path + "'";
}

// While it lives, files of this process can't grow beyond the given size: writes past it fail
// (with EFBIG, the signal ignored), as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previous_ = SIG_DFL;
};

}  // namespace brumel::testing
