#include "platform/framework/Command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace framework {
namespace {

constexpr int kSave = 57603;
constexpr int kStart = 32771;
constexpr int kRecent1 = 57616;
constexpr int kRecent4 = 57619;

struct Chain : testing::Test {
  CCmdTarget view, document, frame, app;
  CommandRouter router{{&view, &document, &frame, &app}};
  std::vector<std::string> ran;
};

TEST_F(Chain, TheFirstRuleAlongTheChainDecidesEvenAgainstALaterOne) {
  document.OnUpdateCommandUI(kStart, [](CCmdUI& ui) {
    ui.Enable(false);
    ui.SetCheck(1);
  });
  frame.OnUpdateCommandUI(kStart, [](CCmdUI& ui) { ui.Enable(true); });
  app.OnCommand(kStart, [] {});

  const CCmdUI state = router.query(kStart);
  EXPECT_FALSE(state.enabled);
  EXPECT_EQ(state.checked, 1);
}

TEST_F(Chain, WithoutARuleACommandIsEnabledExactlyWhenSomeTargetHandlesIt) {
  app.OnCommand(kSave, [] {});
  EXPECT_TRUE(router.query(kSave).enabled);
  EXPECT_FALSE(router.query(kStart).enabled);
  EXPECT_FALSE(router.dispatch(kStart));
}

TEST_F(Chain, ARuleThatOnlyChecksLeavesEnablingToTheHandlers) {
  view.OnUpdateCommandUI(kStart, [](CCmdUI& ui) { ui.SetCheck(1); });
  EXPECT_FALSE(router.query(kStart).enabled);
  frame.OnCommand(kStart, [] {});
  const CCmdUI state = router.query(kStart);
  EXPECT_TRUE(state.enabled);
  EXPECT_EQ(state.checked, 1);
}

TEST_F(Chain, DispatchRunsOnlyTheFirstHandlerAlongTheChain) {
  document.OnCommand(kSave, [&] { ran.push_back("document"); });
  app.OnCommand(kSave, [&] { ran.push_back("app"); });
  EXPECT_TRUE(router.dispatch(kSave));
  EXPECT_EQ(ran, std::vector<std::string>{"document"});
}

TEST_F(Chain, ACommandDisabledSinceTheMenuOpenedDoesNothing) {
  bool running = false;
  frame.OnUpdateCommandUI(kStart, [&](CCmdUI& ui) { ui.Enable(!running); });
  frame.OnCommand(kStart, [&] { ran.push_back("start"); });

  ASSERT_TRUE(router.query(kStart).enabled);  // as the menu showed it
  running = true;                             // then the state changed before the click
  EXPECT_FALSE(router.dispatch(kStart));
  EXPECT_TRUE(ran.empty());
}

TEST_F(Chain, RangesAndLaterRegistrationsWin) {
  app.OnCommandRange(kRecent1, kRecent4, [&](int id) { ran.push_back(std::to_string(id)); });
  app.OnCommand(kRecent1 + 1, [&] { ran.push_back("own"); });
  app.OnUpdateCommandUIRange(kRecent1, kRecent4, [](CCmdUI& ui) { ui.Enable(ui.id != kRecent4); });

  EXPECT_TRUE(router.dispatch(kRecent1));
  EXPECT_TRUE(router.dispatch(kRecent1 + 1));
  EXPECT_FALSE(router.dispatch(kRecent4));
  EXPECT_FALSE(router.dispatch(kRecent4 + 1));
  EXPECT_EQ(ran, (std::vector<std::string>{std::to_string(kRecent1), "own"}));
}

TEST_F(Chain, AHandlerThatChangesTheChainFinishesOnTheOldOne) {
  document.OnCommand(kSave, [&] {
    router.setChain({&view, &frame, &app});  // the document closed itself
    ran.push_back("document");
  });
  app.OnCommand(kSave, [&] { ran.push_back("app"); });
  EXPECT_TRUE(router.dispatch(kSave));
  EXPECT_TRUE(router.dispatch(kSave));
  EXPECT_EQ(ran, (std::vector<std::string>{"document", "app"}));
}

}  // namespace
}  // namespace framework
