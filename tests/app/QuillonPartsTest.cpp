// The firmware burner's parts that need no control: the firmware search, the
// single-instance lock, error texts, the progress bar, the message boxes and
// the icon.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/CAppIcon.h"
#include "app/CAutomationError.h"
#include "app/CBurnerControl.h"
#include "app/CFirmwareFile.h"
#include "app/CProgressBar.h"
#include "app/CQtMessagePresenter.h"
#include "app/CSingleInstance.h"
#include "platform/com/ComObject.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::TempDir;

void Touch(const std::string& path) {
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

struct FirmwareCase {
  const char* name;
  std::vector<std::string> files;
  std::vector<std::string> folders;
  const char* expected;
};

TEST(FirmwareFile, FindsTheFirstMatchingOrdinaryFile) {
  const FirmwareCase cases[] = {
      {"none", {"readme.txt", "fw_1.07.wave", "xfw_1.07.wav"}, {}, ""},
      {"one", {"fw_1.07.wav", "other.wav"}, {}, "fw_1.07.wav"},
      {"case of letters ignored", {"FW_2.00.WAV"}, {}, "FW_2.00.WAV"},
      {"first in name order", {"fw_b.wav", "fw_a.wav", "fw_c.wav"}, {}, "fw_a.wav"},
      {"order ignores case", {"FW_b.wav", "fw_a.wav"}, {}, "fw_a.wav"},
      {"names equal but for case: stable", {"fw_a.wav", "FW_A.wav"}, {}, "FW_A.wav"},
      {"folders do not count", {"fw_2.wav"}, {"fw_1.wav"}, "fw_2.wav"},
      {"too short to carry a version", {"fw.wav"}, {}, ""},
      {"shortest with a version", {"fw.wav", "fwX.wav"}, {}, "fwX.wav"},
  };
  for (const FirmwareCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    for (const std::string& f : c.files) Touch(dir.File(f));
    for (const std::string& d : c.folders) ASSERT_EQ(::mkdir(dir.File(d).c_str(), 0700), 0);
    EXPECT_EQ(CFirmwareFile::Find(QString::fromStdString(dir.Path())), QString::fromLatin1(c.expected));
  }
}

TEST(FirmwareFile, SkipsHiddenAndSpecialFiles) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("fw_0.01.wav").c_str(), 0600), 0);
  ASSERT_EQ(::symlink(dir.File("gone.bin").c_str(), dir.File("fw_0.02.wav").c_str()), 0);
  Touch(dir.File("fw_0.03.wav"));
  EXPECT_EQ(CFirmwareFile::Find(QString::fromStdString(dir.Path())), QStringLiteral("fw_0.03.wav"));
  EXPECT_EQ(CFirmwareFile::Find(QString::fromStdString(dir.File("missing"))), QString());
  EXPECT_EQ(CFirmwareFile::Find(QString()), QString());
}

TEST(FirmwareFile, VersionIsTheNameWithoutItsEnds) {
  const std::pair<const char*, const char*> cases[] = {
      {"fw_1.07.wav", "1.07"}, {"FW-Beta.WAV", "Beta"}, {"fwX.wav", ""}, {"fw__.wav", "_"}};
  for (const auto& [name, version] : cases) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(CFirmwareFile::Version(QString::fromLatin1(name)).has_value());
    EXPECT_EQ(*CFirmwareFile::Version(QString::fromLatin1(name)), QString::fromLatin1(version));
  }
  EXPECT_FALSE(CFirmwareFile::Version(QStringLiteral("fw.wav")));
  EXPECT_FALSE(CFirmwareFile::Version(QString()));
}

TEST(SingleInstance, OneHolderPerProgramFile) {
  TempDir locks;
  const QString folder = QString::fromStdString(locks.Path());
  auto first = std::make_unique<CSingleInstance>(QStringLiteral("/opt/a/quillon"), folder);
  CSingleInstance second(QStringLiteral("/opt/a/quillon"), folder);
  CSingleInstance otherProgram(QStringLiteral("/opt/b/quillon"), folder);
  ASSERT_TRUE(first->TryAcquire());
  EXPECT_FALSE(second.TryAcquire());
  EXPECT_TRUE(otherProgram.TryAcquire());
  first.reset();
  EXPECT_TRUE(second.TryAcquire());
}

TEST(SingleInstance, LockOfAKilledCopyIsTakenOver) {
  TempDir locks;
  const QString folder = QString::fromStdString(locks.Path());
  const QString lockPath = CSingleInstance(QStringLiteral("/opt/a/quillon"), folder).LockPath();
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The child takes the lock and dies without letting it go.
    QLockFile lock(lockPath);
    ::_exit(lock.tryLock(0) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(QFile::exists(lockPath));
  CSingleInstance next(QStringLiteral("/opt/a/quillon"), folder);
  EXPECT_TRUE(next.TryAcquire());
}

TEST(AutomationError, DescriptionsAreReadable) {
  const std::pair<HRESULT, const char*> cases[] = {{REGDB_E_CLASSNOTREG, "Class not registered."},
                                                   {DISP_E_TYPEMISMATCH, "Type mismatch."},
                                                   {CTL_E_SETNOTSUPPORTED, "Can't set property."},
                                                   {static_cast<HRESULT>(0x80040212), "Automation error 0x80040212"}};
  for (const auto& [hr, text] : cases) EXPECT_EQ(CAutomationError(hr).Description(), QString::fromLatin1(text));
  EXPECT_EQ(CAutomationError(E_FAIL, QStringLiteral("Drive on fire.")).Description(), QStringLiteral("Drive on fire."));
}

// An object whose every call fails the way the test says.
class CFailingDispatch : public ComObject<CFailingDispatch, IDispatch> {
 public:
  void FinalRelease() {}  // lives on the test's stack
  HRESULT hr = E_FAIL;
  const char16_t* description = nullptr;
  HRESULT scode = 0;
  HRESULT GetTypeInfoCount(UINT* p) override { *p = 0; return S_OK; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO* pExcep, UINT*) override {
    if (hr == DISP_E_EXCEPTION && pExcep) {
      pExcep->bstrDescription = description ? SysAllocString(description) : nullptr;
      pExcep->scode = scode;
    }
    return hr;
  }
};

TEST(AutomationError, LateBoundCallsRaiseWithTheCalleesDescription) {
  struct Case {
    HRESULT hr;
    const char16_t* description;
    HRESULT scode;
    HRESULT expectedHr;
    const char* expectedText;
  } cases[] = {
      {DISP_E_MEMBERNOTFOUND, nullptr, 0, DISP_E_MEMBERNOTFOUND, "Member not found."},
      {DISP_E_EXCEPTION, u"The tray is jammed.", E_ABORT, E_ABORT, "The tray is jammed."},
      {DISP_E_EXCEPTION, nullptr, E_ACCESSDENIED, E_ACCESSDENIED, "Access is denied."},
  };
  for (const Case& c : cases) {
    CFailingDispatch target;
    target.hr = c.hr;
    target.description = c.description;
    target.scode = c.scode;
    CBurnerControl control{ComPtr<IDispatch>(&target)};
    try {
      control.InitControl();
      ADD_FAILURE() << "no error raised";
    } catch (const CAutomationError& error) {
      EXPECT_EQ(error.Result(), c.expectedHr);
      EXPECT_EQ(error.Description(), QString::fromLatin1(c.expectedText));
    }
  }
  CBurnerControl none;
  EXPECT_THROW(none.InitControl(), CAutomationError);
}

TEST(ProgressBar, HoldsValueInsideItsRange) {
  struct Case {
    float min, max, value, expected;
    int shown;  // of 1000
  } cases[] = {
      {0, 100, 37, 37, 370},  {0, 100, 100, 100, 1000}, {0, 100, 250, 100, 1000},
      {0, 100, -5, 0, 0},     {0, 0, 5, 0, 0},          {0, 3e9f, 1.5e9f, 1.5e9f, 500},
  };
  for (const Case& c : cases) {
    CProgressBar bar;
    bar.SetMin(c.min);
    bar.SetMax(c.max);
    bar.SetValue(c.value);
    EXPECT_FLOAT_EQ(bar.Value(), c.expected) << c.min << ".." << c.max << " set " << c.value;
    EXPECT_EQ(bar.value(), c.shown);
  }
  CProgressBar bar;
  bar.SetMax(100);
  bar.SetValue(90);
  bar.SetMax(50);  // a smaller range pulls the value in with it
  EXPECT_FLOAT_EQ(bar.Value(), 50);
  EXPECT_EQ(bar.value(), 1000);
}

TEST(QtMessagePresenter, BuildsTheBoxAsAsked) {
  struct Case {
    const char* prompt;
    MsgButtons nButtons;
    MsgIcon nIcon;
    const char* title;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
  } cases[] = {
      {"Please insert blank CD.", MsgButtons::OKCancel, MsgIcon::None, "Insert CD", QMessageBox::NoIcon,
       QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok},
      {"Unexpected error occured: Type mismatch.", MsgButtons::OK, MsgIcon::Critical, "Error", QMessageBox::Critical,
       QMessageBox::Ok, QMessageBox::Ok},
      {"Burn process successfuly finished. Do you want to burn another CD ?", MsgButtons::YesNo, MsgIcon::None,
       "All OK", QMessageBox::NoIcon, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes},
      {"No CD burning drive found.", MsgButtons::RetryCancel, MsgIcon::None, "No CD burner", QMessageBox::NoIcon,
       QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry},
      {"Select CD burner drive.", MsgButtons::OK, MsgIcon::Information, "Select drive", QMessageBox::Information,
       QMessageBox::Ok, QMessageBox::Ok},
      {"This application is already running.", MsgButtons::OK, MsgIcon::Exclamation, "Application is already running",
       QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const CMsgBoxRequest request{QString::fromLatin1(c.prompt), c.nButtons, c.nIcon, QString::fromLatin1(c.title)};
    std::unique_ptr<QMessageBox> box = CQtMessagePresenter::Build(request, nullptr);
    EXPECT_EQ(box->windowTitle(), request.strTitle);
    EXPECT_EQ(box->text(), request.strPrompt);
    EXPECT_EQ(box->icon(), c.icon);
    EXPECT_EQ(box->standardButtons(), c.buttons);
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
  }
  // The old line breaks (\r) show as line breaks.
  const CMsgBoxRequest breaks{QStringLiteral("error:\r\rType mismatch."), MsgButtons::OK, MsgIcon::Critical, {}};
  EXPECT_EQ(CQtMessagePresenter::Build(breaks, nullptr)->text(), QStringLiteral("error:\n\nType mismatch."));
}

TEST(QtMessagePresenter, ShowsModallyAndReportsTheAnswer) {
  CQtMessagePresenter presenter;
  CMsgBoxRequest request{QStringLiteral("Please insert blank CD."), MsgButtons::OKCancel, MsgIcon::None,
                         QStringLiteral("Insert CD")};
  bool bSawBox = false;
  // Answer the box from inside its own event loop, as a person would.
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
        bSawBox = true;
        box->button(QMessageBox::Cancel)->click();
      }
  });
  EXPECT_EQ(presenter.MsgBox(request, nullptr), MsgResult::Cancel);
  EXPECT_TRUE(bSawBox);
  EXPECT_EQ(CQtMessagePresenter::ResultOf(0, request), MsgResult::Cancel);
  EXPECT_EQ(CQtMessagePresenter::ResultOf(QMessageBox::Ok, request), MsgResult::OK);
}

TEST(AppIcon, HasEveryImageTheDesktopAsksFor) {
  const QList<QImage> images = CAppIcon::Images();
  const std::vector<std::pair<int, bool>> expected = {{16, true},  {24, true},  {32, true},  {48, true},
                                                      {16, false}, {24, false}, {32, false}, {48, false},
                                                      {64, false}, {72, false}, {96, false}, {128, false}};
  ASSERT_EQ(images.size(), static_cast<qsizetype>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    const QImage& image = images[static_cast<qsizetype>(i)];
    EXPECT_EQ(image.size(), QSize(expected[i].first, expected[i].first)) << i;
    EXPECT_EQ(image.depth(), expected[i].second ? 8 : 32) << i;
    // Drawn: the disc covers the middle, the corners stay clear.
    EXPECT_GT(qAlpha(image.pixel(image.width() / 4, image.height() / 2)), 0) << i;
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << i;
  }
}

}  // namespace
