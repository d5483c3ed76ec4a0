#pragma once

#include <QWidget>

#include "platform/framework/Command.h"
#include "platform/framework/DialogItems.h"
#include "platform/framework/DialogTemplate.h"
#include "platform/framework/Document.h"

namespace framework {

// A view whose face is a dialog template: the template's controls on a child widget of the main
// window, found by id, with the same notifications and data exchange as a dialog's. The template
// gives the preferred size; the view takes whatever room its window gives it and never scrolls,
// so controls beyond its edge are simply out of sight.
//
// A button click with no OnClicked handler runs the view's own command handler of that number,
// so a button and a menu item of the same number share one OnCommand registration.
class CFormView : public QWidget, public DialogItems, public CView, public CCmdTarget {
 public:
  explicit CFormView(const DialogTemplate& formTemplate, QWidget* parent = nullptr);
  ~CFormView() override;

  const DialogTemplate& formTemplate() const { return template_; }

  // Once, when the view first shows its document: the fields go into the controls, then
  // OnUpdate runs with no sender and no hint.
  virtual void OnInitialUpdate();
  // The base repaints the view.
  void OnUpdate(CView* sender, long hint, void* hintObject) override;

  QSize sizeHint() const override;

 protected:
  void OnUnhandledClick(int id) override;

 private:
  DialogTemplate template_;
};

}  // namespace framework
