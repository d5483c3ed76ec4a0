#include "platform/framework/Document.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace framework {
namespace {

struct Update {
  CView* sender;
  UpdateHint hint;
};

class RecordingView : public CView {
 public:
  void OnUpdate(CView* sender, UpdateHint hint) override {
    updates.push_back({sender, hint});
    if (onUpdate) onUpdate();
  }
  std::vector<Update> updates;
  std::function<void()> onUpdate;
};

TEST(DocumentTest, UpdateReachesEveryViewButTheSenderWithTheHint) {
  CDocument doc;
  RecordingView a, b, c;
  for (CView* v : {&a, &b, &c}) doc.AddView(v);
  doc.UpdateAllViews(&b, Change::Counters | Change::Mode);

  EXPECT_TRUE(b.updates.empty());
  for (RecordingView* v : {&a, &c}) {
    ASSERT_EQ(v->updates.size(), 1u);
    EXPECT_EQ(v->updates[0].sender, &b);
    const UpdateHint hint = v->updates[0].hint;
    EXPECT_TRUE(hint.has(Change::Counters) && hint.has(Change::Mode));
    EXPECT_FALSE(hint.has(Change::Settings) || hint.has(Change::Position) ||
                 hint.has(Change::Document));
  }
  // No hint is everything.
  doc.UpdateAllViews(nullptr);
  EXPECT_TRUE(a.updates.back().hint.everything());
  EXPECT_TRUE(a.updates.back().hint.has(Change::Settings));
}

// During its update, view `actor` detaches view `victim`: every other view is updated exactly
// once, and the victim only if it came before the change.
struct DetachCase {
  const char* name;
  int actor;
  int victim;
  std::vector<std::size_t> expectedUpdates;  // per view, in list order
};

void PrintTo(const DetachCase& c, std::ostream* os) { *os << c.name; }

class DetachDuringUpdate : public testing::TestWithParam<DetachCase> {};

TEST_P(DetachDuringUpdate, NoOtherViewMissesOrRepeatsTheUpdate) {
  const DetachCase& param = GetParam();
  CDocument doc;
  RecordingView views[4];
  for (RecordingView& v : views) doc.AddView(&v);
  views[param.actor].onUpdate = [&] { doc.RemoveView(&views[param.victim]); };

  doc.UpdateAllViews(nullptr);

  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(views[i].updates.size(), param.expectedUpdates[i]) << "view " << i;
  }
  EXPECT_EQ(views[param.victim].GetDocument(), nullptr);
  EXPECT_EQ(doc.views().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Document, DetachDuringUpdate,
                         testing::Values(DetachCase{"FirstDetachesItself", 0, 0, {1, 1, 1, 1}},
                                         DetachCase{"MiddleDetachesItself", 1, 1, {1, 1, 1, 1}},
                                         DetachCase{"LastDetachesItself", 3, 3, {1, 1, 1, 1}},
                                         DetachCase{"DetachesALaterView", 1, 2, {1, 1, 0, 1}},
                                         DetachCase{"DetachesAnEarlierView", 2, 0, {1, 1, 1, 1}}),
                         [](const testing::TestParamInfo<DetachCase>& info) {
                           return info.param.name;
                         });

TEST(DocumentTest, AViewThatDetachesAnEarlierOneAndItselfLeavesNoLaterViewOut) {
  CDocument doc;
  RecordingView a, b, c;
  for (CView* v : {&a, &b, &c}) doc.AddView(v);
  b.onUpdate = [&] {
    doc.RemoveView(&a);
    doc.RemoveView(&b);
  };
  doc.UpdateAllViews(nullptr);
  EXPECT_EQ(a.updates.size(), 1u);
  EXPECT_EQ(b.updates.size(), 1u);
  EXPECT_EQ(c.updates.size(), 1u);
}

TEST(DocumentTest, ANestedUpdateDoesNotLoseTheOuterWalk) {
  CDocument doc;
  RecordingView a, b, c;
  for (CView* v : {&a, &b, &c}) doc.AddView(v);
  bool nested = false;
  a.onUpdate = [&] {
    if (nested) return;
    nested = true;
    doc.UpdateAllViews(&a);
  };
  doc.UpdateAllViews(nullptr);
  EXPECT_EQ(a.updates.size(), 1u);
  EXPECT_EQ(b.updates.size(), 2u);
  EXPECT_EQ(c.updates.size(), 2u);
}

TEST(DocumentTest, ANestedUpdateThatRemovesAnEarlierViewSkipsNoViewOfTheOuterWalk) {
  CDocument doc;
  RecordingView a, b, c, d;
  for (CView* v : {&a, &b, &c, &d}) doc.AddView(v);
  bool nested = false;
  // The outer walk is at c when c's update starts a walk of its own that takes a away.
  c.onUpdate = [&] {
    if (nested) return;
    nested = true;
    a.onUpdate = [&] { doc.RemoveView(&a); };
    doc.UpdateAllViews(&c);
  };
  doc.UpdateAllViews(nullptr);
  EXPECT_EQ(a.updates.size(), 2u);
  EXPECT_EQ(b.updates.size(), 2u);
  EXPECT_EQ(c.updates.size(), 1u);
  EXPECT_EQ(d.updates.size(), 2u) << "the outer walk must still reach the view after c";
}

TEST(DocumentTest, DestroyedViewLeavesTheDocument) {
  CDocument doc;
  RecordingView kept;
  auto gone = std::make_unique<RecordingView>();
  doc.AddView(gone.get());
  doc.AddView(&kept);
  ASSERT_EQ(gone->GetDocument(), &doc);

  gone.reset();
  doc.UpdateAllViews(nullptr);  // must not reach the destroyed view

  ASSERT_EQ(doc.views().size(), 1u);
  EXPECT_EQ(doc.views()[0], &kept);
  EXPECT_EQ(kept.updates.size(), 1u);
}

TEST(DocumentTest, DestroyedDocumentLeavesItsViewsDetached) {
  RecordingView a, b;
  {
    CDocument doc;
    doc.AddView(&a);
    doc.AddView(&b);
  }
  EXPECT_EQ(a.GetDocument(), nullptr);
  EXPECT_EQ(b.GetDocument(), nullptr);
  // The views' destructors then run without touching the freed document (ASan watches).
}

}  // namespace
}  // namespace framework
