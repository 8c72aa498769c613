// Start-up: the windowing application, the main window, the hidden offer dialog, the picture
// given on the command line (as a file manager gives it), the event loop.
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <clocale>

#include "gui/correct.h"
#include "gui/yorn.h"
#include "platform/application_title.h"
#include "platform/download.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The boxes and the About box show numbers with the user's decimal separator, which the C
  // library gives only once LC_NUMERIC follows the environment. Qt 6 sets it so on Unix when the
  // application starts; saying so here keeps it true whatever Qt does.
  std::setlocale(LC_NUMERIC, "");
  const std::string title = brumel::ApplicationTitle(
      QFile::encodeName(QApplication::applicationFilePath()).toStdString());
  QApplication::setApplicationName(QString::fromStdString(title));
  QApplication::setWindowIcon(QIcon(":/icons/example.brumel.Brumel.png"));
  QGuiApplication::setDesktopFileName("example.brumel.Brumel");
  brumel::Tbrumel brumel(title, brumel::DownloadUrlToFile);
  brumel::TYesorno Yesorno;
  brumel.SetPorts({.offerDialog = &Yesorno});
  brumel.show();
  // Qt has taken its own options out of the arguments; what is left after the program is the
  // file to open, loaded as "Load Image" loads it.
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) brumel.LoadFile(QFile::encodeName(arguments[1]).toStdString());
  QApplication::exec();
  return 0;
}
