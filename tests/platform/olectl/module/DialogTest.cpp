#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <memory>

#include "platform/olectl/qt/CDialog.h"

namespace {

// Lives as long as the process: Qt must not be torn down by static
// destructors in an unknown order.
QApplication& App() {
  static int argc = 1;
  static char name[] = "olectl_module_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

CDialogTemplate Box() {
  using N = CDialogTemplate::NameOrOrdinal;
  auto item = [](DWORD style, SHORT x, SHORT cx, int id, WORD cls, std::u16string text) {
    return CDialogTemplate::Item{.style = WS_CHILD | style, .x = x, .y = 8, .cx = cx, .cy = 16, .id = id,
                                 .windowClass = N::Ordinal(cls), .title = N::Name(std::move(text))};
  };
  return {.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, .cx = 200, .cy = 40,
          .caption = u"About it", .pointSize = 9, .typeface = u"MS Sans Serif",
          .items = {item(WS_VISIBLE | SS_LEFT, 4, 100, IDC_STATIC, DLGC_STATIC, u"Some text"),
                    item(WS_VISIBLE | BS_DEFPUSHBUTTON, 120, 32, IDOK, DLGC_BUTTON, u"OK"),
                    item(BS_PUSHBUTTON, 160, 32, 42, DLGC_BUTTON, u"Other")}};  // hidden
}

TEST(Dialog, TemplateBecomesWidgetsScaledByDialogUnits) {
  App();
  std::unique_ptr<QDialog> d(CDialog::CreateFromTemplate(Box(), nullptr, nullptr));
  EXPECT_EQ(d->windowTitle(), QStringLiteral("About it"));
  const SIZE px = CDialog::DialogUnitsToPixels(Box(), 200, 40);
  EXPECT_EQ(d->size(), QSize(px.cx, px.cy));
  // Twice the dialog units, twice the pixels (within rounding).
  const SIZE px2 = CDialog::DialogUnitsToPixels(Box(), 400, 80);
  EXPECT_NEAR(px2.cx, 2 * px.cx, 1);
  EXPECT_GT(px.cx, 200);  // a dialog unit is more than a pixel wide at 9 points
  QList<QPushButton*> buttons = d->findChildren<QPushButton*>();
  ASSERT_EQ(buttons.size(), 2);
  EXPECT_TRUE(buttons[0]->isDefault());
  EXPECT_EQ(buttons[0]->text(), QStringLiteral("OK"));
  EXPECT_FALSE(buttons[1]->isVisibleTo(d.get()));
  QLabel* label = d->findChild<QLabel*>();
  ASSERT_TRUE(label);
  EXPECT_EQ(label->text(), QStringLiteral("Some text"));
  EXPECT_EQ(label->geometry().x(), CDialog::DialogUnitsToPixels(Box(), 4, 0).cx);
}

struct EndRow {
  const char* name;
  int buttonIndex;  // -1: Escape
  int expected;
};
class DialogEnd : public ::testing::TestWithParam<EndRow> {};

TEST_P(DialogEnd, AButtonEndsTheDialogWithItsIdentifier) {
  App();
  std::unique_ptr<QDialog> d(CDialog::CreateFromTemplate(Box(), nullptr, nullptr));
  QDialog* dialog = d.get();
  const int index = GetParam().buttonIndex;
  QTimer::singleShot(0, dialog, [dialog, index] {
    if (index < 0)
      dialog->reject();
    else
      dialog->findChildren<QPushButton*>()[index]->click();
  });
  EXPECT_EQ(d->exec(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Buttons, DialogEnd,
                         ::testing::Values(EndRow{"Ok", 0, IDOK}, EndRow{"Other", 1, 42}, EndRow{"Escape", -1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Dialog, MissingResourceIsNotShown) {
  App();
  // The test program carries no dialog resources.
  EXPECT_EQ(CDialog(1, nullptr).DoModal(), -1);
}

}  // namespace
