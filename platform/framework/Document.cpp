#include "platform/framework/Document.h"

#include <algorithm>

namespace framework {

CView::~CView() {
  if (document_ != nullptr) document_->RemoveView(this);
}

CDocument::~CDocument() {
  for (CView* view : views_) view->document_ = nullptr;
}

void CDocument::AddView(CView* view) {
  if (view == nullptr || view->document_ == this) return;
  if (view->document_ != nullptr) view->document_->RemoveView(view);
  views_.push_back(view);
  view->document_ = this;
}

void CDocument::RemoveView(CView* view) {
  auto it = std::find(views_.begin(), views_.end(), view);
  if (it == views_.end()) return;
  views_.erase(it);
  view->document_ = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, long hint, void* hintObject) {
  // Runs on every frame, so it walks the list in place rather than copying it. A view that
  // detaches itself while it updates leaves its successor at the same index.
  for (std::size_t i = 0; i < views_.size();) {
    CView* view = views_[i];
    if (view != sender) view->OnUpdate(sender, hint, hintObject);
    if (i < views_.size() && views_[i] == view) ++i;
  }
}

}  // namespace framework
