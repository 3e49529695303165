// Dialogs built from dialog templates carried as DIALOG resources. Dialog
// units become pixels through the template font's average character width
// (x / 4) and height (y / 8), as on the desktop platform. Needs a running
// QApplication on the calling thread.
#pragma once

#include <memory>

#include "platform/com/ComTypes.h"
#include "platform/olectl/AfxResource.h"
#include "platform/olectl/CDialogTemplate.h"
#include "platform/olectl/WinUser.h"

class QDialog;
class QWidget;

class PX_EXPORT CDialog {
 public:
  // hInstance null: the library of the current module state.
  explicit CDialog(UINT nIDTemplate, HINSTANCE hInstance = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Shows the dialog modally; the identifier of the button that closed it
  // (IDCANCEL for Escape or the close box), -1 when the resource is missing
  // or damaged or no application runs.
  INT_PTR DoModal();

  // Builds the widgets of a template; buttons end the dialog with their
  // identifier. Icons (SS_ICON) come from hInstance's ICON resources. The
  // caller owns the result.
  static QDialog* CreateFromTemplate(const CDialogTemplate& tmpl, HINSTANCE hInstance, QWidget* pParent);
  // Fills an existing widget (a page) with a template's items and sizes it.
  static void FillWidget(QWidget* pWidget, const CDialogTemplate& tmpl, HINSTANCE hInstance);
  // The template's dialog units in pixels.
  static SIZE DialogUnitsToPixels(const CDialogTemplate& tmpl, int cx, int cy);

  UINT GetTemplateID() const { return m_nIDTemplate; }

 protected:
  UINT m_nIDTemplate;
  HINSTANCE m_hInstance;
};
