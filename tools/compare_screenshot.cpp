// Draws the Compare window as "Compare..." opens it on a picture after "Automatic", fitted, with
// the divider in the middle, into a PNG file: the screenshot of the README. Run it on a display
// (for instance under xvfb-run) or on Qt's offscreen platform.
// Usage: compare_screenshot PICTURE OUTPUT.png
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>

#include "gui/correct.h"
#include "gui/restore_menu.h"

namespace {

// The window's messages go to the standard error, so that no box waits for a click.
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
  StandardError messages;
  brumel::Tbrumel window("brumel", [](const std::string&, const std::string&, std::int64_t) {
    return 1;  // the screenshot checks for no update
  });
  window.SetPorts({.messages = &messages});
  window.LoadFile(argv[1]);
  if (window.WorkingBitmap().Empty()) return 1;
  brumel::RestoreMenu& menu = *window.Restore1;
  menu.Automatic1->trigger();
  menu.Compare1->trigger();
  brumel::CompareWindow& compare = *menu.CompareWindow1;
  compare.resize(900, 640);
  bool saved = false;
  // Grabbed once the window system has shown the window and its fonts.
  QTimer::singleShot(500, &compare, [&] {
    saved = compare.grab().save(QFile::decodeName(argv[2]), "PNG");
    QApplication::quit();
  });
  QApplication::exec();
  return saved ? 0 : 1;
}
