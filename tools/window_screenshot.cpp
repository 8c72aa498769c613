// Draws the main window with a picture loaded into a PNG file: the screenshot of the README.
// Run it on a display, for instance under xvfb-run, so that the window system's fonts are used.
// Usage: window_screenshot PICTURE OUTPUT.png
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>

#include "gui/correct.h"
#include "platform/download.h"

namespace {

// The open dialog, answered with the one picture.
class GivenPicture : public brumel::OpenDialogPort {
 public:
  explicit GivenPicture(std::string path) : path_(std::move(path)) {}
  bool Execute() override { return true; }
  std::vector<std::string> Files() const override { return {path_}; }

 private:
  std::string path_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_screenshot PICTURE OUTPUT.png\n");
    return 2;
  }
  brumel::Tbrumel window("brumel", brumel::DownloadUrlToFile);
  GivenPicture picture(argv[1]);
  window.SetPorts({.openDialog = &picture});
  window.show();
  window.Button1->click();
  bool saved = false;
  // Grabbed once the window system has shown the window and its fonts.
  QTimer::singleShot(500, &window, [&] {
    saved = window.grab().save(QFile::decodeName(argv[2]), "PNG");
    QApplication::quit();
  });
  QApplication::exec();
  return saved ? 0 : 1;
}
