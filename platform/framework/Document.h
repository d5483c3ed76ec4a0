#pragma once

#include <cstddef>
#include <vector>

namespace framework {

class CDocument;

// What changed in a document, so that a view redraws only that: what a view shows of the
// counters after every frame need not touch its settings. No change named means everything.
enum class Change : unsigned {
  Counters = 1u << 0,  // counts and levels that move with every frame
  Settings = 1u << 1,  // what the user set
  Mode = 1u << 2,      // the state the document is in
  Position = 1u << 3,  // the place within a recording, and its picture
  Document = 1u << 4,  // a document opened, closed or renamed
};

class UpdateHint {
 public:
  constexpr UpdateHint() = default;  // everything
  // One change; implicit, so that a Change serves where a hint is asked for.
  constexpr UpdateHint(Change change) : changes_(static_cast<unsigned>(change)) {}
  constexpr UpdateHint operator|(UpdateHint other) const {
    return UpdateHint(changes_ | other.changes_);
  }
  constexpr bool everything() const { return changes_ == 0; }
  // True when `change` is among the changes, or the hint names everything.
  constexpr bool has(Change change) const {
    return changes_ == 0 || (changes_ & static_cast<unsigned>(change)) != 0;
  }
  constexpr bool operator==(const UpdateHint&) const = default;

 private:
  constexpr explicit UpdateHint(unsigned changes) : changes_(changes) {}
  unsigned changes_ = 0;
};

constexpr UpdateHint operator|(Change a, Change b) { return UpdateHint(a) | UpdateHint(b); }

// Something that shows a document and is told when it changed.
class CView {
 public:
  CView() = default;
  CView(const CView&) = delete;
  CView& operator=(const CView&) = delete;
  virtual ~CView();
  CDocument* GetDocument() const { return document_; }

  // `sender` is the view that caused the change (or null); `hint` says what changed.
  virtual void OnUpdate(CView* sender, UpdateHint hint) = 0;

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
  void UpdateAllViews(CView* sender, UpdateHint hint = {});

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
