#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "OcxLibrary.h"
#include "control/interface/CantrelIds.h"
#include "platform/com/Apartment.h"
#include "platform/com/ComPtr.h"
#include "platform/com/DispatchTable.h"
#include "platform/olectl/qt/CDialog.h"
#include "platform/olectl/COleControlSite.h"
#include "platform/olectl/OlePropertyFrame.h"
#include "tests/support/TestSupport.h"

namespace {

class Ui : public RegisteredOcx {};

// Runs check on the modal window once it shows, then closes it.
void WhenModalShows(const std::function<void(QWidget*)>& check) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, check] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      check(w);
    }
  });
  timer->start();
}

TEST_F(Ui, AboutBoxShowsDialogOneModallyAndReturnsWhenClosed) {
  COleControlSite site(TRUE);
  ASSERT_EQ(site.CreateControl(CLSID_Cantrel, RECT{0, 0, 100, 50}), S_OK);
  bool shown = false, closed = false;
  QString title, firstLine;
  bool hasIcon = false;
  WhenModalShows([&](QWidget* w) {
    shown = true;
    title = w->windowTitle();
    for (QLabel* l : w->findChildren<QLabel*>()) {
      if (!l->pixmap().isNull()) hasIcon = true;
      if (l->text().startsWith(QStringLiteral("cantrel"))) firstLine = l->text();
    }
    QList<QPushButton*> buttons = w->findChildren<QPushButton*>();
    if (buttons.size() == 1 && buttons[0]->isDefault()) {
      closed = true;
      buttons[0]->click();
    }
  });
  CVariant result;
  EXPECT_EQ(DispInvoke(site.GetDispatch().Get(), DISPID_ABOUTBOX, DISPATCH_METHOD, {}, &result), S_OK);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(closed);  // the call came back only after the OK button
  EXPECT_EQ(title, QStringLiteral("About cantrel Control"));
  EXPECT_EQ(firstLine, QStringLiteral("cantrel Control, Version 1.0"));
  EXPECT_TRUE(hasIcon);
  EXPECT_EQ(result.vt, VT_EMPTY);
}

TEST_F(Ui, PropertiesVerbShowsTheEmptyGeneralPageOfDialog200) {
  COleControlSite site(FALSE);
  ASSERT_EQ(site.CreateControl(CLSID_Cantrel, RECT{0, 0, 100, 50}), S_OK);
  CDialogTemplate probe;
  probe.style = DS_SETFONT;
  probe.pointSize = 9;
  probe.typeface = u"MS Sans Serif";
  const SIZE expected = CDialog::DialogUnitsToPixels(probe, 250, 62);
  QString frameTitle, tabTitle;
  QSize pageSize;
  int pageChildren = -1;
  WhenModalShows([&](QWidget* w) {
    frameTitle = w->windowTitle();
    if (auto* tabs = w->findChild<QTabWidget*>(); tabs && tabs->count() == 1) tabTitle = tabs->tabText(0);
    if (QWidget* content = w->findChild<QWidget*>(QStringLiteral("propertyPage"))) {
      pageSize = content->size();
      pageChildren = static_cast<int>(content->findChildren<QWidget*>().size());
    }
    w->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  });
  ComPtr<IOleObject> ole = site.Query<IOleObject>();
  ASSERT_TRUE(ole);
  EXPECT_EQ(ole->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, 0, nullptr, nullptr), S_OK);
  EXPECT_EQ(frameTitle, QStringLiteral("cantrel Control Properties"));
  EXPECT_EQ(tabTitle, QStringLiteral("General"));
  EXPECT_EQ(pageSize, QSize(expected.cx, expected.cy));
  EXPECT_EQ(pageChildren, 0);
}

}  // namespace
