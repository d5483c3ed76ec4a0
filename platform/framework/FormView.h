#pragma once

#include <QWidget>

#include <functional>

#include "platform/framework/Command.h"
#include "platform/framework/DialogItems.h"
#include "platform/framework/DialogTemplate.h"
#include "platform/framework/Document.h"

class QScrollBar;

namespace framework {

// A view whose face is a dialog template: the template's controls on a child widget of the main
// window, found by id, with the same notifications and data exchange as a dialog's. The template
// gives the preferred size; the view takes whatever room its window gives it. Controls beyond
// its edge are out of sight, unless the view scrolls sideways (SetHorizontalScroll): then a
// scroll bar along its bottom, shown while the view is narrower than its form, moves the
// controls into reach.
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
  void OnUpdate(CView* sender, UpdateHint hint) override;

  QSize sizeHint() const override;

  // The view's own scroll bar. Its moves come to `handler` with the scroll bar codes (the same
  // numbers as the trackbar codes: line, page, thumb, end) before the controls move.
  void SetHorizontalScroll(bool enabled);
  void OnViewScrollCode(std::function<void(int code)> handler);
  QScrollBar* horizontalScrollBar() const { return scrollBar_; }
  // The part of the view the scroll bar leaves free.
  QRect clientRect() const;
  // The height the scroll bar takes from a view `width` pixels wide: 0 where the form fits.
  int ScrollBarHeightAt(int width) const;

 protected:
  void OnUnhandledClick(int id) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOutScrollBar();
  void ScrollTo(int offset);

  DialogTemplate template_;
  QScrollBar* scrollBar_ = nullptr;
  bool scrolls_ = false;
  int offset_ = 0;  // how far the controls have moved to the left
  std::function<void(int)> scrollCodeHandler_;
};

}  // namespace framework
