#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

#include "app/CFirmwareFile.h"
#include "app/MainModule.h"
#include "platform/Version.h"
#include "platform/com/Apartment.h"

namespace {

const char kUsage[] =
    "usage: quillon              burn the firmware file (fw*.wav) lying beside the program\n"
    "       quillon --firmware   print that file's path (exit status 1 when there is none)\n"
    "       quillon --help | --version\n";

// Options answered without a window (or a display); -1 for none.
int AnswerOption(int argc, char** argv) {
  if (argc != 2) return -1;
  const char* option = argv[1];
  if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (std::strcmp(option, "--version") == 0) {
    std::printf("quillon %s\n", CANTREL_VERSION);
    return 0;
  }
  if (std::strcmp(option, "--firmware") == 0) {
    // The same folder as the window's: that of the resolved executable, so
    // a link on the PATH still leads to the firmware.
    QCoreApplication app(argc, argv);
    const QString folder = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
    const QString name = CFirmwareFile::Find(folder);
    if (name.isEmpty()) {
      std::fprintf(stderr, "quillon: no firmware file (fw*.wav) in %s\n", qPrintable(folder));
      return 1;
    }
    std::printf("%s/%s\n", qPrintable(folder), qPrintable(name));
    return 0;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (int status = AnswerOption(argc, argv); status >= 0) return status;
  QApplication app(argc, argv);
  // The window's thread owns the control: it lives in a single-threaded
  // apartment for the whole run.
  CoInitialize(nullptr);
  MainModule::Main();
  // The program ends only through EndProgram; the loop never returns.
  return app.exec();
}
