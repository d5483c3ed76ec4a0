#pragma once

#include <cstddef>
#include <vector>

namespace framework {

class CDocument;

// Something that shows a document and is told when it changed.
class CView {
 public:
  CView() = default;
  CView(const CView&) = delete;
  CView& operator=(const CView&) = delete;
  virtual ~CView();
  CDocument* GetDocument() const { return document_; }

  // `sender` is the view that caused the change (or null); `hint` and `hintObject` say what
  // changed, 0 and null meaning "redraw everything".
  virtual void OnUpdate(CView* sender, long hint, void* hintObject) = 0;

 private:
  friend class CDocument;
  CDocument* document_ = nullptr;
};

// A document holds the program's state in plain fields and tells its views when it changes.
class CDocument {
 public:
  CDocument() = default;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;
  virtual ~CDocument();

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& views() const { return views_; }

  // Calls OnUpdate on every view except `sender`.
  void UpdateAllViews(CView* sender, long hint = 0, void* hintObject = nullptr);

 private:
  // One walk of UpdateAllViews in progress; nested walks chain to the one they interrupted, so
  // RemoveView can keep every one of them on its place.
  struct Walk {
    std::size_t next = 0;
    Walk* outer = nullptr;
  };

  std::vector<CView*> views_;
  Walk* walks_ = nullptr;  // the innermost walk in progress
};

}  // namespace framework
