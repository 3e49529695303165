// Tests of the firmware burner need the toolkit's application object and a
// single-threaded apartment on the main thread.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/com/Apartment.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                   : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  CoInitialize(nullptr);
  const int nResult = RUN_ALL_TESTS();
  CoUninitialize();
  return nResult;
}
