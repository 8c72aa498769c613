// Draws the main window with a picture loaded into a PNG file: the screenshot of the README.
// Given two more names, it also draws the window after "Automatic" on the same picture and the
// Levels dialog that shows the estimated levels.
// Run it on a display, for instance under xvfb-run, so that the window system's fonts are used.
// Usage: window_screenshot PICTURE OUTPUT.png [AUTOMATIC.png LEVELS.png]
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>

#include "gui/correct.h"
#include "gui/restore_menu.h"
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

// Grabbed once the window system has shown the windows and their fonts.
constexpr int kSettleMilliseconds = 500;

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr,
                 "usage: window_screenshot PICTURE OUTPUT.png [AUTOMATIC.png LEVELS.png]\n");
    return 2;
  }
  brumel::Tbrumel window("brumel", brumel::DownloadUrlToFile);
  GivenPicture picture(argv[1]);
  window.SetPorts({.openDialog = &picture});
  window.show();
  window.Button1->click();
  bool saved = false;
  QTimer::singleShot(kSettleMilliseconds, &window, [&] {
    saved = window.grab().save(QFile::decodeName(argv[2]), "PNG");
    if (argc == 3) return QApplication::quit();
    window.Restore1->Automatic1->trigger();
    window.Restore1->Levels1->trigger();
    QTimer::singleShot(kSettleMilliseconds, &window, [&] {
      saved = saved && window.grab().save(QFile::decodeName(argv[3]), "PNG") &&
              window.Restore1->LevelsDialog1->grab().save(QFile::decodeName(argv[4]), "PNG");
      QApplication::quit();
    });
  });
  QApplication::exec();
  return saved ? 0 : 1;
}
