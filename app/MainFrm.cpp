#include "app/MainFrm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <climits>

#include "app/CAppIcon.h"
#include "app/CAutomationError.h"
#include "app/CFirmwareFile.h"
#include "app/CProgressBar.h"
#include "app/MainModule.h"
#include "control/interface/CantrelIds.h"
#include "platform/olectl/COleControlSite.h"

namespace {

const char* const kTagProperty = "Tag";

// The font of every control: Tahoma where it is installed, else the nearest
// sans-serif face. The emulator's fonts carry a Tahoma that is not registered
// with the system; only its regular face is taken, because its bold face
// holds regular-weight outlines (only the spacing is wider): without a bold
// face the text engine emboldens the regular one, and bold text looks bold.
QFont WindowFont() {
  static const bool bHaveTahoma = [] {
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) return true;
    const QString strRegular = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(strRegular)) QFontDatabase::addApplicationFont(strRegular);
    return QFontDatabase::families().contains(QStringLiteral("Tahoma"));
  }();
  QFont font;
  font.setFamilies(bHaveTahoma ? QStringList{QStringLiteral("Tahoma")}
                               : QStringList{QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
                                             QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(8.25);
  font.setWeight(QFont::Normal);
  return font;
}

QRect TwipsRect(int nLeft, int nTop, int nWidth, int nHeight) {
  return QRect(MainFrm::Twips(nLeft), MainFrm::Twips(nTop), MainFrm::Twips(nWidth), MainFrm::Twips(nHeight));
}

}  // namespace

int MainFrm::Twips(int nTwips) { return (nTwips * 96 + 720) / 1440; }

MainFrm::MainFrm(CMessagePresenter& presenter, const QString& strAppFolder, QWidget* pParent)
    : QDialog(pParent), m_presenter(presenter), m_strAppFolder(strAppFolder) {
  CreateControls();
  CreateBurnerControl();
}

MainFrm::~MainFrm() {
  // The site disconnects the events first, so no event is posted to a
  // window that is going away.
  m_pSite.reset();
}

void MainFrm::CreateControls() {
  setWindowTitle(QStringLiteral("Velmora Firmware CD Burner"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(CAppIcon::Icon());
  setFont(WindowFont());
  setFixedSize(Twips(5535), Twips(2265));
  setSizeGripEnabled(false);

  DriveCmb = new QComboBox(this);
  DriveCmb->setObjectName(QStringLiteral("DriveCmb"));
  DriveCmb->setEditable(false);
  DriveCmb->setGeometry(TwipsRect(1710, 360, 3585, 315));

  BurnBttn = new QPushButton(QStringLiteral("Burn CD"), this);
  BurnBttn->setObjectName(QStringLiteral("BurnBttn"));
  BurnBttn->setGeometry(TwipsRect(4080, 1440, 1215, 495));
  BurnBttn->setDefault(true);

  ExitBttn = new QPushButton(QStringLiteral("Exit"), this);
  ExitBttn->setObjectName(QStringLiteral("ExitBttn"));
  ExitBttn->setGeometry(TwipsRect(240, 1440, 1215, 495));

  Lbl[0] = new QLabel(QStringLiteral("Select CD Burner:"), this);
  Lbl[0]->setObjectName(QStringLiteral("Lbl"));
  Lbl[0]->setGeometry(TwipsRect(240, 390, 1455, 195));
  Lbl[0]->setAlignment(Qt::AlignRight | Qt::AlignTop);
  QFont bold = font();
  bold.setWeight(QFont::Bold);
  Lbl[0]->setFont(bold);

  ProgressBar = new CProgressBar(this);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setGeometry(TwipsRect(240, 840, 5055, 255));
  ProgressBar->SetMin(0);
  ProgressBar->SetMax(100);

  ProgressLbl = new QLabel(this);
  ProgressLbl->setObjectName(QStringLiteral("ProgressLbl"));
  ProgressLbl->setGeometry(TwipsRect(240, 1080, 5055, 255));
  ProgressLbl->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  // The label's top row is the bar's last one: the bar lies above the label,
  // so that nothing the label paints covers it.
  ProgressBar->raise();

  VersionLbl = new QLabel(this);
  VersionLbl->setObjectName(QStringLiteral("VersionLbl"));
  VersionLbl->setGeometry(TwipsRect(120, 2040, 5295, 255));
  VersionLbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  SecondsLbl = new QLabel(this);
  SecondsLbl->setObjectName(QStringLiteral("SecondsLbl"));
  SecondsLbl->setGeometry(TwipsRect(4560, 1110, 735, 255));
  SecondsLbl->setAlignment(Qt::AlignRight | Qt::AlignTop);
  SecondsLbl->setProperty(kTagProperty, QString());

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);

  // The labels take no focus; the keyboard walks the list and the buttons.
  setTabOrder(DriveCmb, BurnBttn);
  setTabOrder(BurnBttn, ExitBttn);

  connect(BurnBttn, &QPushButton::clicked, this, [this] { BurnBttn_Click(); });
  connect(ExitBttn, &QPushButton::clicked, this, [this] { ExitBttn_Click(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

void MainFrm::CreateBurnerControl() {
  auto pSite = std::make_unique<COleControlSite>(TRUE);
  const QRect place = TwipsRect(0, 0, 615, 255);
  const RECT rcPos{place.left(), place.top(), place.left() + place.width(), place.top() + place.height()};
  m_hrCreate = pSite->CreateControl(CLSID_Cantrel, rcPos);
  ComPtr<IDispatch> pDispatch = SUCCEEDED(m_hrCreate) ? pSite->GetDispatch() : nullptr;
  if (SUCCEEDED(m_hrCreate) && !pDispatch) m_hrCreate = E_NOINTERFACE;
  if (FAILED(m_hrCreate)) {
    AB = CBurnerControl::NotCreated(m_hrCreate);
    return;
  }
  pSite->ConnectEvents(DIID__DcantrelEvents,
                       [this](DISPID dispid, const std::vector<CVariant>& args) { PostControlEvent(dispid, args); });
  AB = CBurnerControl(std::move(pDispatch));
  m_pSite = std::move(pSite);
}

void MainFrm::ShowWindow() {
  if (!m_bLoaded) {
    m_bLoaded = true;
    Form_Load();
    if (MainModule::HasEnded()) return;
  }
  if (isVisible()) return;
  // Start-up position: the centre of the screen's work area. The frame's
  // size is known only once the window is shown, so it is placed again then.
  auto centre = [this] {
    if (const QScreen* pScreen = screen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(pScreen->availableGeometry().center());
      move(frame.topLeft());
    }
  };
  centre();
  show();
  centre();
}

MsgResult MainFrm::MsgBox(const QString& strPrompt, MsgButtons nButtons, MsgIcon nIcon, const QString& strTitle) {
  CMsgBoxRequest request{strPrompt, nButtons, nIcon, strTitle};
  return m_presenter.MsgBox(request, isVisible() ? this : nullptr);
}

void MainFrm::ShowUnexpectedError(const QString& strDescription) {
  MsgBox(QStringLiteral("Unexpected error occured:\r\r") + strDescription, MsgButtons::OK, MsgIcon::Critical,
         QStringLiteral("Error"));
}

void MainFrm::Form_Load() {
  MainModule::FwFile = CFirmwareFile::Find(m_strAppFolder);
  if (const auto version = CFirmwareFile::Version(MainModule::FwFile))
    VersionLbl->setText(QStringLiteral("Version: ") + *version);
  else
    VersionLbl->setText(QStringLiteral("No firmware file (fw*.wav) found beside the program."));
  ShowProgress(false);
  FillDriveList();
  if (MainModule::HasEnded()) return;
  if (DriveCmb->count() > 1) {
    DriveCmb->setCurrentIndex(-1);
    MsgBox(QStringLiteral("Select CD burner drive."), MsgButtons::OK, MsgIcon::Information,
           QStringLiteral("Select drive"));
  } else {
    // An empty list (the listing failed) keeps no selection, so that
    // "Burn CD" asks for a recorder.
    DriveCmb->setCurrentIndex(DriveCmb->count() > 0 ? 0 : -1);
  }
}

void MainFrm::FillDriveList() {
  try {
    for (;;) {
      AB.InitControl();
      DriveCmb->clear();
      AB.ForEachDrive([this](const QString& strVendorID, const QString& strProductID) {
        DriveCmb->addItem(strVendorID + QLatin1Char(' ') + strProductID);
      });
      if (DriveCmb->count() > 0) return;
      if (MsgBox(QStringLiteral("No CD burning drive found. Please connect CD burner and click Retry."),
                 MsgButtons::RetryCancel, MsgIcon::None, QStringLiteral("No CD burner")) == MsgResult::Cancel) {
        MainModule::EndProgram();
        return;
      }
    }
  } catch (const CAutomationError& error) {
    ShowUnexpectedError(error.Description());
  } catch (const std::exception& error) {
    ShowUnexpectedError(QString::fromLocal8Bit(error.what()));
  }
}

void MainFrm::ShowProgress(bool bVisible) {
  ProgressBar->setVisible(bVisible);
  ProgressLbl->setVisible(bVisible);
  SecondsLbl->setVisible(bVisible);
}

void MainFrm::EnableInput(bool bEnabled) {
  BurnBttn->setEnabled(bEnabled);
  ExitBttn->setEnabled(bEnabled);
  DriveCmb->setEnabled(bEnabled);
}

void MainFrm::Form_QueryUnload() { MainModule::EndProgram(); }

void MainFrm::ExitBttn_Click() { MainModule::EndProgram(); }

void MainFrm::closeEvent(QCloseEvent* pEvent) {
  pEvent->ignore();
  Form_QueryUnload();
}

// Escape closes no window here.
void MainFrm::reject() {}

void MainFrm::SetHourglass(bool bHourglass) {
  if (bHourglass)
    setCursor(Qt::WaitCursor);
  else
    unsetCursor();
}

void MainFrm::EnterBurning() {
  SetHourglass(true);
  ShowProgress(true);
  EnableInput(false);
  SetSecondsTag(QStringLiteral("0"));
  Timer1->start();
}

void MainFrm::LeaveBurning() {
  SetHourglass(false);
  EnableInput(true);
  Timer1->stop();
  ShowProgress(false);
}

void MainFrm::LeaveBurningAfterJob() {
  ShowProgress(false);
  Timer1->stop();
  EnableInput(true);
  SetHourglass(false);
}

void MainFrm::BurnBttn_Click() {
  try {
    if (MainModule::FwFile.isEmpty()) {
      MsgBox(QStringLiteral("No firmware file (fw*.wav) was found beside the program, so there is nothing to burn."),
             MsgButtons::OK, MsgIcon::Exclamation, QStringLiteral("Error"));
      return;
    }
    if (DriveCmb->currentIndex() < 0) {
      MsgBox(QStringLiteral("Select CD burner drive."), MsgButtons::OK, MsgIcon::Information,
             QStringLiteral("Select drive"));
      return;
    }
    if (MsgBox(QStringLiteral("Please insert blank CD."), MsgButtons::OKCancel, MsgIcon::None,
               QStringLiteral("Insert CD")) == MsgResult::Cancel)
      return;
    AB.InitControl();
    AB.DeleteAllItems();
    const SHORT r = AB.AddAudioTrack(m_strAppFolder + QLatin1Char('\\') + MainModule::FwFile);
    if (r == -1 || r == -2 || r == -3) {
      MsgBox(QStringLiteral("Unexpected error uccured (%1).").arg(r), MsgButtons::OK, MsgIcon::Critical,
             QStringLiteral("Error"));
      return;
    }
    AB.SetDrive(static_cast<SHORT>(DriveCmb->currentIndex()));
    EnterBurning();
    if (AB.Burn(false, true, false) != 0) {
      ProgressLbl->setText(QStringLiteral("Burning..."));
      repaint();
      QCoreApplication::processEvents();
      return;
    }
    LeaveBurning();
    MsgBox(QStringLiteral("CD burner drive is not ready. Try again later."), MsgButtons::OK, MsgIcon::Exclamation,
           QStringLiteral("Error"));
  } catch (const CAutomationError& error) {
    LeaveBurning();
    ShowUnexpectedError(error.Description());
  } catch (const std::exception& error) {
    LeaveBurning();
    ShowUnexpectedError(QString::fromLocal8Bit(error.what()));
  }
}

QString MainFrm::SecondsTag() const { return SecondsLbl->property(kTagProperty).toString(); }

void MainFrm::SetSecondsTag(const QString& strTag) { SecondsLbl->setProperty(kTagProperty, strTag); }

void MainFrm::Timer1_Timer() {
  bool bOk = false;
  const qint64 nSeconds = SecondsTag().toLongLong(&bOk);
  // The count is a 32-bit number: it stops at its largest value.
  const qint64 nNext = bOk ? std::min<qint64>(nSeconds + 1, INT_MAX) : 1;
  SetSecondsTag(QString::number(nNext));
  SecondsLbl->setText(SecondsTag());
}

void MainFrm::AB_Progress(LONG lCompletedSteps, LONG lTotalSteps) {
  ShowProgress(true);
  ProgressBar->SetMin(0);
  ProgressBar->SetMax(static_cast<float>(lTotalSteps));
  ProgressBar->SetValue(static_cast<float>(lCompletedSteps));
  ProgressLbl->setText(QString::number(lCompletedSteps) + QStringLiteral(" / ") + QString::number(lTotalSteps));
}

void MainFrm::AB_ClosingDisc(LONG) {
  ProgressBar->SetValue(ProgressBar->Max());
  ProgressLbl->setText(QStringLiteral("closing CD"));
}

void MainFrm::AB_BurnComplete() {
  LeaveBurningAfterJob();
  if (MsgBox(QStringLiteral("Burn process successfuly finished. Do you want to burn another CD ?"),
             MsgButtons::YesNo, MsgIcon::None, QStringLiteral("All OK")) == MsgResult::Yes) {
    BurnBttn_Click();
    // The burn just started has its own copy of the list; this clear only
    // leaves the control with nothing staged.
    AB.DeleteAllItems();
  } else {
    MainModule::EndProgram();
  }
}

void MainFrm::AB_ErrorEvent(SHORT) {
  LeaveBurningAfterJob();
  MsgBox(QStringLiteral("Please insert blank CD and try again."), MsgButtons::OK, MsgIcon::Exclamation,
         QStringLiteral("Error"));
}

void MainFrm::PostControlEvent(DISPID dispid, const std::vector<CVariant>& args) {
  // Queued even when raised on the window's thread, so that handlers run in
  // the order the events were raised, whatever thread raised them.
  QMetaObject::invokeMethod(
      this, [this, dispid, args] { RunControlEvent(dispid, args); }, Qt::QueuedConnection);
}

void MainFrm::RunControlEvent(DISPID dispid, const std::vector<CVariant>& args) {
  if (MainModule::HasEnded()) return;
  try {
    auto arg = [&args](size_t nIndex, VARTYPE vt) {
      if (nIndex >= args.size()) throw CAutomationError(DISP_E_BADPARAMCOUNT);
      return CBurnerControl::Convert(args[nIndex], vt);
    };
    switch (dispid) {
      case DISPID_EVENT_PROGRESS:
        AB_Progress(arg(0, VT_I4).lVal, arg(1, VT_I4).lVal);
        break;
      case DISPID_EVENT_BURNCOMPLETE:
        AB_BurnComplete();
        break;
      case DISPID_EVENT_ERROREVENT:
        AB_ErrorEvent(arg(0, VT_I2).iVal);
        break;
      case DISPID_EVENT_CLOSINGDISC:
        AB_ClosingDisc(arg(0, VT_I4).lVal);
        break;
      default:
        break;  // EraseComplete and TrackProgress are not used here.
    }
  } catch (const CAutomationError& error) {
    // A failure inside a handler would otherwise end the program with the
    // window in whatever state it had.
    ShowUnexpectedError(error.Description());
  } catch (const std::exception& error) {
    ShowUnexpectedError(QString::fromLocal8Bit(error.what()));
  }
}
