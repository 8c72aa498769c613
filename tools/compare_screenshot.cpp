// Draws the Compare window on a picture, fitted, with the divider in the middle and the start-up
// settings, into a PNG file: the screenshot of the README. Run it on a display (for instance
// under xvfb-run) or on Qt's offscreen platform.
// Usage: compare_screenshot PICTURE OUTPUT.png
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <exception>

#include "correct/correction_settings.h"
#include "formats/load_image.h"
#include "gui/compare_window.h"

namespace {

// The loader's messages go to the standard error.
class StandardError : public brumel::MessagePort {
 public:
  void ShowInformation(const std::string& text) override {
    std::fprintf(stderr, "%s\n", text.c_str());
  }
  void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: compare_screenshot PICTURE OUTPUT.png\n");
    return 2;
  }
  brumel::Bitmap picture;
  StandardError messages;
  try {
    if (!brumel::LoadImageFile(argv[1], picture, messages)) {
      std::fprintf(stderr, "%s: not a picture Brumel reads\n", argv[1]);
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.what());
    return 1;
  }
  brumel::CompareWindow window;
  window.resize(900, 640);
  window.show();
  window.Show(picture, argv[1]);
  window.SetSettings(brumel::SettingsFromPositions({}));
  bool saved = false;
  // Grabbed once the window system has shown the window and its fonts.
  QTimer::singleShot(500, &window, [&] {
    saved = window.grab().save(QFile::decodeName(argv[2]), "PNG");
    QApplication::quit();
  });
  QApplication::exec();
  return saved ? 0 : 1;
}
