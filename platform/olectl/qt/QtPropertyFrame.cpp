#include "platform/olectl/qt/QtPropertyFrame.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

#include <atomic>
#include <vector>

#include "platform/com/Apartment.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"

namespace {

// The frame's side of each page: enables Apply when a page says it changed.
class FrameSite final : public ComObject<FrameSite, IPropertyPageSite> {
 public:
  explicit FrameSite(QPushButton* apply) : m_apply(apply) {}
  HRESULT OnStatusChange(DWORD dwFlags) override {
    if ((dwFlags & PROPPAGESTATUS_DIRTY) && m_apply) m_apply->setEnabled(true);
    return S_OK;
  }
  HRESULT GetLocaleID(LCID* pLocaleID) override {
    if (!pLocaleID) return E_POINTER;
    *pLocaleID = LOCALE_USER_DEFAULT;
    return S_OK;
  }
  HRESULT GetPageContainer(IUnknown** ppUnk) override {
    if (ppUnk) *ppUnk = nullptr;
    return E_NOTIMPL;
  }
  HRESULT TranslateAccelerator(MSG*) override { return S_FALSE; }
  void Detach() { m_apply = nullptr; }

 private:
  ~FrameSite() override = default;
  QPushButton* m_apply;
};

}  // namespace

HRESULT AfxQtCreatePropertyFrame(UINT x, UINT y, LPCOLESTR lpszCaption, ULONG cObjects, IUnknown** ppUnk,
                                 ULONG cPages, const CLSID* pPageClsID) {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app || QThread::currentThread() != app->thread()) return E_UNEXPECTED;

  QDialog frame;
  frame.setObjectName(QStringLiteral("propertyFrame"));
  const QString caption = lpszCaption ? QString::fromUtf16(lpszCaption) : QString();
  frame.setWindowTitle(caption.isEmpty() ? QStringLiteral("Properties") : caption + QStringLiteral(" Properties"));
  auto* layout = new QVBoxLayout(&frame);
  auto* tabs = new QTabWidget(&frame);
  layout->addWidget(tabs);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, &frame);
  layout->addWidget(buttons);
  QPushButton* apply = buttons->button(QDialogButtonBox::Apply);
  apply->setEnabled(false);
  ComPtr<FrameSite> site = Make<FrameSite>(apply);

  std::vector<ComPtr<IPropertyPage>> pages;
  HRESULT hr = S_OK;
  for (ULONG i = 0; i < cPages && SUCCEEDED(hr); ++i) {
    ComPtr<IPropertyPage> page;
    hr = CoCreateInstance(pPageClsID[i], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                          page.ReleaseAndGetVoidAddress());
    if (FAILED(hr)) break;
    PROPPAGEINFO info{};
    if (SUCCEEDED(page->GetPageInfo(&info))) {
      auto* area = new QWidget(tabs);
      area->setMinimumSize(info.size.cx, info.size.cy);
      tabs->addTab(area, info.pszTitle ? QString::fromUtf16(info.pszTitle) : QString());
      CoTaskMemFree(info.pszTitle);
      CoTaskMemFree(info.pszDocString);
      CoTaskMemFree(info.pszHelpFile);
      page->SetPageSite(site.Get());
      page->SetObjects(cObjects, ppUnk);
      RECT rc{0, 0, info.size.cx, info.size.cy};
      hr = page->Activate(reinterpret_cast<HWND>(area), &rc, TRUE);
      if (SUCCEEDED(hr)) page->Show(SW_SHOW);
    }
    pages.push_back(page);
  }

  auto applyAll = [&pages, apply] {
    for (auto& p : pages)
      if (p->IsPageDirty() == S_OK) p->Apply();
    apply->setEnabled(false);
  };
  QObject::connect(buttons, &QDialogButtonBox::accepted, &frame, [&] {
    applyAll();
    frame.accept();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &frame, &QDialog::reject);
  QObject::connect(apply, &QPushButton::clicked, &frame, applyAll);

  if (SUCCEEDED(hr)) {
    frame.move(static_cast<int>(x), static_cast<int>(y));
    frame.exec();
  }
  for (auto& p : pages) {
    p->Deactivate();
    p->SetObjects(0, nullptr);
    p->SetPageSite(nullptr);
  }
  site->Detach();
  return hr;
}
