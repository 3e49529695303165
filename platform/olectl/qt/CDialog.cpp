#include "platform/olectl/qt/CDialog.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QThread>

#include <cstdlib>

#include "platform/olectl/AfxModuleState.h"
#include "platform/olectl/CDibImage.h"

namespace {

QFont TemplateFont(const CDialogTemplate& t) {
  QFont font;
  if (t.style & DS_SETFONT) {
    font = QFont(QString::fromStdU16String(t.typeface));
    if (t.pointSize > 0) font.setPointSize(t.pointSize);
    if (t.weight >= 600) font.setBold(true);
    font.setItalic(t.italic != 0);
  }
  return font;
}

// Base units of the platform: average width of the letters, and height.
void BaseUnits(const QFont& font, int* x, int* y) {
  QFontMetrics fm(font);
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  *x = std::max(1, (fm.horizontalAdvance(letters) / 26 + 1) / 2);
  *y = std::max(1, fm.height());
}

QRect ItemRect(const CDialogTemplate::Item& it, int bx, int by) {
  return QRect(it.x * bx / 4, it.y * by / 8, it.cx * bx / 4, it.cy * by / 8);
}

QPixmap IconPixmap(HINSTANCE hInstance, WORD id) {
  std::optional<std::vector<uint8_t>> data = AfxLoadResource(hInstance, "ICON", id);
  if (!data) return {};
  std::optional<std::vector<CDibImage>> images = CDibImage::ParseIcon(*data);
  if (!images || images->empty()) return {};
  // The platform shows the large image in an icon control.
  const CDibImage* best = &images->front();
  for (const CDibImage& im : *images)
    if (std::abs(im.width - 32) < std::abs(best->width - 32)) best = &im;
  QImage img(best->width, best->height, QImage::Format_ARGB32);
  for (int y = 0; y < best->height; ++y)
    for (int x = 0; x < best->width; ++x) img.setPixel(x, y, best->argb[static_cast<size_t>(y * best->width + x)]);
  return QPixmap::fromImage(img);
}

QWidget* MakeItem(const CDialogTemplate::Item& it, HINSTANCE hInstance, QWidget* parent, QDialog* dialog) {
  const QString text = it.title.isOrdinal ? QString() : QString::fromStdU16String(it.title.name);
  const WORD cls = it.windowClass.isOrdinal ? it.windowClass.ordinal : 0;
  QWidget* w = nullptr;
  if (cls == DLGC_BUTTON) {
    auto* b = new QPushButton(text, parent);
    const DWORD kind = it.style & BS_TYPEMASK;
    if (kind == BS_DEFPUSHBUTTON) {
      b->setDefault(true);
      b->setAutoDefault(true);
    }
    if (dialog) {
      const int id = it.id;
      QObject::connect(b, &QPushButton::clicked, dialog, [dialog, id] { dialog->done(id); });
    }
    w = b;
  } else if (cls == DLGC_STATIC) {
    auto* l = new QLabel(parent);
    const DWORD kind = it.style & SS_TYPEMASK;
    if (kind == SS_ICON) {
      if (it.title.isOrdinal) l->setPixmap(IconPixmap(hInstance, it.title.ordinal));
    } else {
      l->setText(text);
      l->setWordWrap(true);
      Qt::Alignment align = Qt::AlignTop | Qt::AlignLeft;
      if (kind == SS_CENTER) align = Qt::AlignTop | Qt::AlignHCenter;
      if (kind == SS_RIGHT) align = Qt::AlignTop | Qt::AlignRight;
      l->setAlignment(align);
    }
    w = l;
  } else if (cls == DLGC_EDIT) {
    w = new QLineEdit(text, parent);
  } else {
    w = new QWidget(parent);
  }
  w->setProperty("dialogItemId", it.id);
  w->setEnabled((it.style & WS_DISABLED) == 0);
  return w;
}

void Populate(QWidget* target, const CDialogTemplate& t, HINSTANCE hInstance, QDialog* dialog) {
  const QFont font = TemplateFont(t);
  target->setFont(font);
  int bx = 1, by = 1;
  BaseUnits(font, &bx, &by);
  for (const CDialogTemplate::Item& it : t.items) {
    QWidget* w = MakeItem(it, hInstance, target, dialog);
    QRect r = ItemRect(it, bx, by);
    if (auto* l = qobject_cast<QLabel*>(w); l && !l->pixmap().isNull()) r.setSize(l->pixmap().size());
    w->setGeometry(r);
    w->setVisible((it.style & WS_VISIBLE) != 0);
  }
  target->setFixedSize(t.cx * bx / 4, t.cy * by / 8);
}

}  // namespace

CDialog::CDialog(UINT nIDTemplate, HINSTANCE hInstance) : m_nIDTemplate(nIDTemplate), m_hInstance(hInstance) {
  if (!m_hInstance) {
    AFX_MODULE_STATE* state = AfxGetModuleState();
    m_hInstance = state ? state->m_hInstance : nullptr;
  }
}

CDialog::~CDialog() = default;

SIZE CDialog::DialogUnitsToPixels(const CDialogTemplate& tmpl, int cx, int cy) {
  int bx = 1, by = 1;
  BaseUnits(TemplateFont(tmpl), &bx, &by);
  return SIZE{cx * bx / 4, cy * by / 8};
}

QDialog* CDialog::CreateFromTemplate(const CDialogTemplate& tmpl, HINSTANCE hInstance, QWidget* pParent) {
  auto* dialog = new QDialog(pParent);
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
  if ((tmpl.style & WS_CAPTION) == WS_CAPTION) flags |= Qt::WindowTitleHint;
  if (tmpl.style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  dialog->setWindowFlags(flags);
  dialog->setWindowTitle(QString::fromStdU16String(tmpl.caption));
  Populate(dialog, tmpl, hInstance, dialog);
  const SIZE origin = DialogUnitsToPixels(tmpl, tmpl.x, tmpl.y);
  dialog->move(origin.cx, origin.cy);
  return dialog;
}

void CDialog::FillWidget(QWidget* pWidget, const CDialogTemplate& tmpl, HINSTANCE hInstance) {
  Populate(pWidget, tmpl, hInstance, nullptr);
}

INT_PTR CDialog::DoModal() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app || QThread::currentThread() != app->thread()) return -1;
  std::optional<std::vector<uint8_t>> data = AfxLoadResource(m_hInstance, "DIALOG", m_nIDTemplate);
  if (!data) return -1;
  std::optional<CDialogTemplate> tmpl = CDialogTemplate::Parse(*data);
  if (!tmpl) return -1;
  std::unique_ptr<QDialog> dialog(CreateFromTemplate(*tmpl, m_hInstance, nullptr));
  const int result = dialog->exec();
  return result == QDialog::Rejected ? IDCANCEL : result;
}
