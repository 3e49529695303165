#include <QApplication>

#include "app/MainModule.h"
#include "platform/com/Apartment.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The window's thread owns the control: it lives in a single-threaded
  // apartment for the whole run.
  CoInitialize(nullptr);
  MainModule::Main();
  // The program ends only through EndProgram; the loop never returns.
  return app.exec();
}
