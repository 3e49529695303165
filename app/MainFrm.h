// The program's one window: the recorder list, the progress display, the two
// buttons, the version line and the hosted burner control AB.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "app/CBurnerControl.h"
#include "app/CMessagePresenter.h"
#include "platform/com/Variant.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class CProgressBar;
class COleControlSite;

class MainFrm : public QDialog {
  Q_OBJECT
 public:
  // strAppFolder: the folder that holds the program and its firmware file.
  MainFrm(CMessagePresenter& presenter, const QString& strAppFolder, QWidget* pParent = nullptr);
  ~MainFrm() override;

  // Loads the window on first use (Form_Load), then shows it unless the
  // load ended the program.
  void ShowWindow();

  // Window procedures.
  void Form_Load();
  void FillDriveList();
  void ShowProgress(bool bVisible);
  void EnableInput(bool bEnabled);
  void Form_QueryUnload();
  void ExitBttn_Click();
  void BurnBttn_Click();
  void Timer1_Timer();

  // The control's events, on the window's thread.
  void AB_Progress(LONG lCompletedSteps, LONG lTotalSteps);
  void AB_BurnComplete();
  void AB_ErrorEvent(SHORT iErrorNo);
  void AB_ClosingDisc(LONG iEsimatedSeconds);

  // Takes an event of the control from any thread and runs its handler on
  // the window's thread, in the order the events were raised.
  void PostControlEvent(DISPID dispid, const std::vector<CVariant>& args);

  // The result of creating the control (S_OK when AB is there).
  HRESULT ControlCreateResult() const { return m_hrCreate; }
  const QString& AppFolder() const { return m_strAppFolder; }
  bool IsLoaded() const { return m_bLoaded; }

  // Converts a length in twips into pixels at 96 dots per inch.
  static int Twips(int nTwips);

  // The window's controls.
  QComboBox* DriveCmb = nullptr;
  QPushButton* BurnBttn = nullptr;
  QPushButton* ExitBttn = nullptr;
  std::array<QLabel*, 1> Lbl{};
  CProgressBar* ProgressBar = nullptr;
  QLabel* ProgressLbl = nullptr;
  CBurnerControl AB;
  QLabel* VersionLbl = nullptr;
  QLabel* SecondsLbl = nullptr;
  QTimer* Timer1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* pEvent) override;
  void reject() override;

 private:
  void CreateControls();
  void CreateBurnerControl();
  void RunControlEvent(DISPID dispid, const std::vector<CVariant>& args);
  MsgResult MsgBox(const QString& strPrompt, MsgButtons nButtons, MsgIcon nIcon, const QString& strTitle);
  void ShowUnexpectedError(const QString& strDescription);
  void SetHourglass(bool bHourglass);
  void EnterBurning();
  void LeaveBurning();
  void LeaveBurningAfterJob();
  QString SecondsTag() const;
  void SetSecondsTag(const QString& strTag);

  CMessagePresenter& m_presenter;
  QString m_strAppFolder;
  std::unique_ptr<COleControlSite> m_pSite;
  HRESULT m_hrCreate = E_FAIL;
  bool m_bLoaded = false;
};
