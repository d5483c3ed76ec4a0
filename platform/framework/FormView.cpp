#include "platform/framework/FormView.h"

#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace framework {

CFormView::CFormView(const DialogTemplate& formTemplate, QWidget* parent)
    : QWidget(parent), DialogItems(*this, formTemplate.controls), template_(formTemplate) {
  resize(sizeHint());
}

CFormView::~CFormView() = default;

void CFormView::OnInitialUpdate() {
  UpdateData(false);
  OnUpdate(nullptr, {});
}

void CFormView::OnUpdate(CView* /*sender*/, UpdateHint /*hint*/) { update(); }

QSize CFormView::sizeHint() const {
  return {DialogXToPixels(template_.w), DialogYToPixels(template_.h)};
}

void CFormView::OnUnhandledClick(int id) { RunCommand(id); }

void CFormView::SetHorizontalScroll(bool enabled) {
  scrolls_ = enabled;
  if (scrolls_ && scrollBar_ == nullptr) {
    scrollBar_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    ConnectScrollCodes(*scrollBar_, *scrollBar_, [this](int code) {
      if (scrollCodeHandler_) scrollCodeHandler_(code);
    });
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) { ScrollTo(value); });
  }
  LayOutScrollBar();
}

void CFormView::OnViewScrollCode(std::function<void(int)> handler) {
  scrollCodeHandler_ = std::move(handler);
}

int CFormView::ScrollBarHeightAt(int width) const {
  if (!scrolls_ || width >= sizeHint().width()) return 0;
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

QRect CFormView::clientRect() const {
  return {0, 0, width(), std::max(height() - ScrollBarHeightAt(width()), 0)};
}

void CFormView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutScrollBar();
}

void CFormView::LayOutScrollBar() {
  if (scrollBar_ == nullptr) return;
  const int barHeight = ScrollBarHeightAt(width());
  if (barHeight == 0) {
    scrollBar_->hide();
    scrollBar_->setValue(0);  // the whole form is in sight again (valueChanged scrolls)
    return;
  }
  const int hidden = sizeHint().width() - width();
  scrollBar_->setRange(0, hidden);
  scrollBar_->setPageStep(width());
  scrollBar_->setSingleStep(std::max(width() / 10, 1));
  scrollBar_->setGeometry(0, height() - barHeight, width(), barHeight);
  scrollBar_->show();
  scrollBar_->raise();
}

void CFormView::ScrollTo(int offset) {
  if (offset == offset_) return;
  MoveControls(offset_ - offset);
  offset_ = offset;
  update();
}

}  // namespace framework
