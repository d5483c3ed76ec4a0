#include "platform/framework/FormView.h"

namespace framework {

CFormView::CFormView(const DialogTemplate& formTemplate, QWidget* parent)
    : QWidget(parent), DialogItems(*this, formTemplate.controls), template_(formTemplate) {
  resize(sizeHint());
}

CFormView::~CFormView() = default;

void CFormView::OnInitialUpdate() {
  UpdateData(false);
  OnUpdate(nullptr, 0, nullptr);
}

void CFormView::OnUpdate(CView* /*sender*/, long /*hint*/, void* /*hintObject*/) { update(); }

QSize CFormView::sizeHint() const {
  return {DialogXToPixels(template_.w), DialogYToPixels(template_.h)};
}

void CFormView::OnUnhandledClick(int id) { RunCommand(id); }

}  // namespace framework
