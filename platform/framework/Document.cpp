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
  const auto index = static_cast<std::size_t>(it - views_.begin());
  views_.erase(it);
  for (Walk* walk = walks_; walk != nullptr; walk = walk->outer) {
    if (index < walk->next) --walk->next;
  }
  view->document_ = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, UpdateHint hint) {
  // Runs on every frame, so it walks the list in place rather than copying it; views may come
  // and go while it runs, also from a nested call, and every walk keeps its place.
  Walk walk{0, walks_};
  walks_ = &walk;
  while (walk.next < views_.size()) {
    CView* view = views_[walk.next++];
    if (view != sender) view->OnUpdate(sender, hint);
  }
  walks_ = walk.outer;
}

}  // namespace framework
