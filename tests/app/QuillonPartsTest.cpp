// The firmware burner's parts that need no window: the firmware search and
// its version text, the single-instance lock and the message boxes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QMessageBox>
#include <QPushButton>

#include "app/CFirmwareFile.h"
#include "app/CQtMessagePresenter.h"
#include "app/CSingleInstance.h"
#include "tests/support/TestSupport.h"

namespace {

struct FirmwareCase {
  const char* name;
  std::vector<std::string> files;
  const char* found;
  std::optional<const char*> version;  // of the file found
};
void PrintTo(const FirmwareCase& c, std::ostream* os) { *os << c.name; }

class FirmwareFile : public ::testing::TestWithParam<FirmwareCase> {};

// A name ending in "/" is a folder, one ending in "|" a FIFO, one ending in
// "@" a dangling link.
TEST_P(FirmwareFile, FoundAndVersioned) {
  testsupport::TempDir dir;
  for (std::string f : GetParam().files) {
    const char kind = f.back();
    if (kind == '/' || kind == '|' || kind == '@') f.pop_back();
    const std::string path = dir.File(f);
    const bool bMade = kind == '/'   ? ::mkdir(path.c_str(), 0700) == 0
                       : kind == '|' ? ::mkfifo(path.c_str(), 0600) == 0
                       : kind == '@' ? ::symlink(dir.File("gone").c_str(), path.c_str()) == 0
                                     : QFile(QString::fromStdString(path)).open(QIODevice::WriteOnly);
    ASSERT_TRUE(bMade) << f;
  }
  const QString found = CFirmwareFile::Find(QString::fromStdString(dir.Path()));
  EXPECT_EQ(found, QString::fromLatin1(GetParam().found));
  const auto version = CFirmwareFile::Version(found);
  ASSERT_EQ(version.has_value(), GetParam().version.has_value());
  if (version) {
    EXPECT_EQ(*version, QString::fromLatin1(*GetParam().version));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, FirmwareFile,
    ::testing::Values(FirmwareCase{"None", {"readme.txt", "fw_1.07.wave", "xfw_1.07.wav"}, "", std::nullopt},
                      FirmwareCase{"One", {"fw_1.07.wav", "other.wav"}, "fw_1.07.wav", "1.07"},
                      FirmwareCase{"CaseIgnored", {"FW-Beta.WAV"}, "FW-Beta.WAV", "Beta"},
                      FirmwareCase{"FirstByName", {"fw_b.wav", "FW_a.wav", "fw_c.wav"}, "FW_a.wav", "a"},
                      FirmwareCase{"SameNameButCaseIsStable", {"fw_a.wav", "FW_A.wav"}, "FW_A.wav", "A"},
                      FirmwareCase{"OnlyOrdinaryFiles", {"fw_1/", "fw_2|", "fw_3@", "fw_4.wav"}, "fw_4.wav", "4"},
                      FirmwareCase{"TooShortForAVersion", {"fw.wav"}, "", std::nullopt},
                      FirmwareCase{"EmptyVersion", {"fw.wav", "fwX.wav"}, "fwX.wav", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SingleInstance, OneHolderPerProgramFileUntilItGoes) {
  testsupport::TempDir locks;
  const QString folder = QString::fromStdString(locks.Path());
  auto first = std::make_unique<CSingleInstance>(QStringLiteral("/opt/a/quillon"), folder);
  CSingleInstance second(QStringLiteral("/opt/a/quillon"), folder);
  ASSERT_TRUE(first->TryAcquire());
  EXPECT_FALSE(second.TryAcquire());
  EXPECT_TRUE(CSingleInstance(QStringLiteral("/opt/b/quillon"), folder).TryAcquire());
  first.reset();
  EXPECT_TRUE(second.TryAcquire());
}

struct BoxCase {
  const char* name;
  MsgButtons nButtons;
  MsgIcon nIcon;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton;
};
void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }

class QtMessagePresenter : public ::testing::TestWithParam<BoxCase> {};

TEST_P(QtMessagePresenter, BuildsTheBoxAsAsked) {
  const BoxCase& c = GetParam();
  const CMsgBoxRequest request{QStringLiteral("error:\r\rType mismatch."), c.nButtons, c.nIcon, QStringLiteral("T")};
  const std::unique_ptr<QMessageBox> box = CQtMessagePresenter::Build(request, nullptr);
  EXPECT_EQ(box->text(), QStringLiteral("error:\n\nType mismatch."));  // old line breaks still break
  EXPECT_EQ(box->windowTitle(), QStringLiteral("T"));
  EXPECT_EQ(box->icon(), c.icon);
  EXPECT_EQ(box->standardButtons(), c.buttons);
  EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
  EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, QtMessagePresenter,
    ::testing::Values(BoxCase{"OkCancel", MsgButtons::OKCancel, MsgIcon::None, QMessageBox::NoIcon,
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok},
                      BoxCase{"OkInformation", MsgButtons::OK, MsgIcon::Information, QMessageBox::Information,
                              QMessageBox::Ok, QMessageBox::Ok},
                      BoxCase{"YesNoCritical", MsgButtons::YesNo, MsgIcon::Critical, QMessageBox::Critical,
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes},
                      BoxCase{"RetryCancelExclamation", MsgButtons::RetryCancel, MsgIcon::Exclamation,
                              QMessageBox::Warning, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
