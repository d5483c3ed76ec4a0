// A form view: the controls of a template on a child widget, with a dialog's ids, geometry,
// notifications and data exchange, and the control kinds only forms use.
#include "platform/framework/FormView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <vector>

#include "platform/framework/DataExchange.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/TrackbarCodes.h"
#include "tests/support/ModalScript.h"

namespace framework {
namespace {

using testing_support::ModalScript;

constexpr int kValue = 2001;
constexpr int kApply = 2002;
constexpr int kGo = 2003;
constexpr int kToggle = 2004;
constexpr int kLeftText = 2005;
constexpr int kLow = 2006;
constexpr int kHigh = 2007;
constexpr int kBar = 2008;
constexpr int kSlider = 2009;
constexpr int kCount = 2010;
constexpr int kHidden = 2011;

constexpr ControlTemplate kControls[] = {
    {ControlKind::LText, IDC_STATIC, "&Value:", 5, 7, 30, 8},
    {ControlKind::Edit, kValue, "", 40, 5, 40, 14, ES_RIGHT | WS_TABSTOP},
    {ControlKind::DefPushButton, kApply, "Apply", 85, 5, 40, 14},
    {ControlKind::PushButton, kGo, "Go", 130, 5, 40, 14},
    {ControlKind::CheckBox, kToggle, "Start", 5, 25, 40, 15, BS_PUSHLIKE | BS_FLAT},
    {ControlKind::CheckBox, kLeftText, "Beep", 50, 25, 60, 10, BS_LEFTTEXT},
    {ControlKind::RadioButton, kLow, "L", 5, 45, 16, 10, BS_PUSHLIKE | WS_GROUP},
    {ControlKind::RadioButton, kHigh, "H", 22, 45, 16, 10, BS_PUSHLIKE},
    {ControlKind::Progress, kBar, nullptr, 5, 60, 75, 10, WS_BORDER | WS_GROUP},
    {ControlKind::Trackbar, kSlider, nullptr, 5, 75, 81, 10, TBS_NOTICKS},
    {ControlKind::RText, kCount, "", 90, 75, 38, 10, SS_SUNKEN},
    {ControlKind::PushButton, kHidden, "Pause", 130, 25, 40, 15, NOT_WS_VISIBLE | WS_DISABLED},
};
constexpr DialogTemplate kForm{300, nullptr, 0, 0, 400, 120, kControls};

class Panel : public CFormView {
 public:
  Panel() : CFormView(kForm) {}
  int value = 5;
  int scale = 1;
  int updates = 0;

  void OnUpdate(CView* /*sender*/, UpdateHint /*hint*/) override { ++updates; }

 protected:
  void DoDataExchange(CDataExchange& dx) override {
    DDX_Text(dx, kValue, value);
    DDV_MinMaxInt(dx, value, 1, 10);
    DDX_Radio(dx, kLow, scale);
  }
};

TEST(FormView, ControlsSitWhereADialogPutsThemAndTheViewTakesTheRoomItIsGiven) {
  Panel view;
  CDialog dialog(kForm);
  for (const int id : {kValue, kApply, kToggle, kLow, kBar, kSlider, kCount}) {
    EXPECT_EQ(view.GetDlgItem(id)->geometry(), dialog.GetDlgItem(id)->geometry()) << id;
  }
  EXPECT_EQ(view.GetDlgItem(kSlider)->geometry(), QRect(7, 121, 121, 16));  // 5, 75, 81, 10
  EXPECT_EQ(view.sizeHint(), QSize(600, 195));

  QMainWindow frame;
  auto* inFrame = new Panel;
  frame.setCentralWidget(inFrame);
  frame.resize(300, 100);  // smaller than the template: the view does not hold the frame open
  frame.show();
  EXPECT_LE(inFrame->width(), 300);
}

TEST(FormView, DataExchangeGoesBothWaysAndARefusalIsToldOverTheView) {
  Panel view;
  view.show();
  view.OnInitialUpdate();
  EXPECT_EQ(view.GetDlgItemText(kValue), "5");
  EXPECT_TRUE(view.IsDlgButtonChecked(kHigh));
  EXPECT_EQ(view.updates, 1);

  ModalScript script;
  script.expectMessage("Please enter an integer between 1 and 10.");
  view.SetDlgItemText(kValue, "12");
  EXPECT_FALSE(view.UpdateData(true));
  EXPECT_EQ(view.focusWidget(), view.GetDlgItem(kValue));

  view.SetDlgItemText(kValue, "7");
  QTest::mouseClick(view.GetDlgItem(kLow), Qt::LeftButton);
  EXPECT_TRUE(view.UpdateData(true));
  EXPECT_EQ(view.value, 7);
  EXPECT_EQ(view.scale, 0);
  EXPECT_FALSE(view.IsDlgButtonChecked(kHigh));  // push-like radios are still one group
}

TEST(FormView, AButtonWithoutAClickHandlerSendsItsNumberToTheViewsCommands) {
  Panel view;
  view.show();
  std::vector<int> ran;
  view.OnCommand(kGo, [&] { ran.push_back(kGo); });
  view.OnCommand(kApply, [&] { ran.push_back(kApply); });
  QTest::mouseClick(view.GetDlgItem(kGo), Qt::LeftButton);
  view.OnClicked(kGo, [&] { ran.push_back(-kGo); });  // a click handler comes first
  QTest::mouseClick(view.GetDlgItem(kGo), Qt::LeftButton);
  // Enter in an edit presses the default button, as in a dialog.
  QTest::keyClick(view.GetDlgItem(kValue), Qt::Key_Return);
  EXPECT_EQ(ran, (std::vector<int>{kGo, -kGo, kApply}));
}

TEST(FormView, ATrackbarTellsTheUsersMovesOnlyAndABarShowsAnyPositionInRange) {
  Panel view;
  view.show();
  std::vector<int> seen;
  view.OnScroll(kSlider, [&] { seen.push_back(view.GetBarPos(kSlider)); });
  view.SetBarRange(kSlider, 0, 128);
  view.SetBarPos(kSlider, 64);
  QTest::keyClick(view.GetDlgItem(kSlider), Qt::Key_Right);
  QTest::keyClick(view.GetDlgItem(kSlider), Qt::Key_End);
  view.SetBarPos(kSlider, 500);  // kept in range, not told
  EXPECT_EQ(seen, (std::vector<int>{65, 128}));
  EXPECT_EQ(view.GetBarPos(kSlider), 128);

  // Qt's progress bar would keep its old value for one out of range.
  view.SetBarRange(kBar, 0, 2000);
  view.SetBarPos(kBar, 5000);
  EXPECT_EQ(view.GetBarPos(kBar), 2000);
}

// Each move of a trackbar comes with its notification code, and the end of the move after it.
TEST(FormView, ATrackbarNamesEachMoveAsATrackbarDoes) {
  Panel view;
  view.show();
  std::vector<int> codes;
  view.OnScrollCode(kSlider, [&](int code) { codes.push_back(code); });
  view.SetBarRange(kSlider, 0, 100);
  view.SetBarPos(kSlider, 50);
  QWidget* slider = view.GetDlgItem(kSlider);
  struct Row {
    Qt::Key key;
    int code;
    int position;
  };
  // Up and Page Up go towards the start, as Left does.
  for (const Row row : {Row{Qt::Key_Right, TB_LINEDOWN, 51}, Row{Qt::Key_Up, TB_LINEUP, 50},
                        Row{Qt::Key_Down, TB_LINEDOWN, 51}, Row{Qt::Key_PageUp, TB_PAGEUP, 41},
                        Row{Qt::Key_PageDown, TB_PAGEDOWN, 51}, Row{Qt::Key_Home, TB_TOP, 0},
                        Row{Qt::Key_End, TB_BOTTOM, 100}}) {
    codes.clear();
    QTest::keyClick(slider, row.key);
    EXPECT_EQ(codes, (std::vector<int>{row.code, TB_ENDTRACK})) << row.key;
    EXPECT_EQ(view.GetBarPos(kSlider), row.position) << row.key;
  }
  // The wheel turned away from the user: one line towards the start.
  codes.clear();
  QWheelEvent wheel(QPointF(5, 5), slider->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(slider, &wheel);
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.front(), TB_LINEUP);
  EXPECT_EQ(codes.back(), TB_ENDTRACK);
  EXPECT_LT(view.GetBarPos(kSlider), 100);
}

// An up-down control counts the number in the edit before it, within 0 to 100.
TEST(FormView, AnUpDownCountsTheNumberInItsEdit) {
  constexpr int kEdit = 2101, kSpin = 2102;
  static constexpr ControlTemplate kSpinControls[] = {
      {ControlKind::Edit, kEdit, "", 10, 10, 40, 12, WS_TABSTOP},
      {ControlKind::UpDown, kSpin, nullptr, 50, 10, 10, 12, UDS_AUTOBUDDY | UDS_SETBUDDYINT},
  };
  static constexpr DialogTemplate kSpinForm{301, nullptr, 0, 0, 100, 40, kSpinControls};
  CFormView view(kSpinForm);
  view.show();
  QWidget* spin = view.GetDlgItem(kSpin);
  QWidget* edit = view.GetDlgItem(kEdit);
  EXPECT_EQ(spin->geometry().right(), DialogXToPixels(50) - 1) << "at the edit's right end";
  EXPECT_LE(edit->geometry().right(), spin->geometry().left());
  const auto arrows = spin->findChildren<QToolButton*>();
  ASSERT_EQ(arrows.size(), 2);
  view.SetDlgItemText(kEdit, "99");
  arrows[0]->click();  // up
  arrows[0]->click();
  EXPECT_EQ(view.GetDlgItemText(kEdit), "100");
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(view.GetDlgItemText(kEdit), "99");
  view.SetDlgItemText(kEdit, "none");
  arrows[1]->click();  // down from no number
  EXPECT_EQ(view.GetDlgItemText(kEdit), "0");
}

TEST(FormView, TemplateStylesShowAsTheyAsk) {
  Panel view;
  view.show();
  EXPECT_TRUE(view.GetDlgItem(kHidden)->isHidden());
  EXPECT_FALSE(view.GetDlgItem(kHidden)->isEnabled());
  view.ShowDlgItem(kHidden, true);
  EXPECT_TRUE(view.GetDlgItem(kHidden)->isVisible());

  // A push-like check box toggles itself before its handler runs.
  bool pressedInHandler = false;
  view.OnClicked(kToggle, [&] { pressedInHandler = view.IsDlgButtonChecked(kToggle); });
  QTest::mouseClick(view.GetDlgItem(kToggle), Qt::LeftButton);
  EXPECT_TRUE(pressedInHandler);
  EXPECT_NE(view.GetDlgItemAs<QPushButton>(kToggle), nullptr);

  // Text on the left: a click on the text toggles the box at the right edge.
  auto* leftText = view.GetDlgItemAs<QCheckBox>(kLeftText);
  QTest::mouseClick(leftText, Qt::LeftButton, {}, QPoint(3, leftText->height() / 2));
  EXPECT_TRUE(view.IsDlgButtonChecked(kLeftText));
}

TEST(FormView, OnlyACaptionTooWideForItsRectangleHasItsLettersSetCloser) {
  static constexpr ControlTemplate kTight[] = {
      {ControlKind::LText, IDC_STATIC, "# Captured:", 6, 66, 36, 10},
      {ControlKind::LText, IDC_STATIC,
       "A paragraph that wraps onto the three lines its rectangle was given for it", 6, 80, 100,
       26},
      {ControlKind::CheckBox, 1, "Specify playback rate", 5, 110, 79, 10, BS_LEFTTEXT},
      {ControlKind::CheckBox, 2, "Roomy", 5, 125, 79, 10, BS_LEFTTEXT},
  };
  CFormView view(DialogTemplate{1, nullptr, 0, 0, 120, 140, kTight});
  const QList<QWidget*> controls =
      view.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_EQ(controls.size(), 4);
  const std::vector<bool> tightened = {true, false, true, false};
  for (qsizetype i = 0; i < controls.size(); ++i) {
    EXPECT_EQ(controls[i]->font().letterSpacing() < 0, tightened[static_cast<std::size_t>(i)]) << i;
  }
  const QLabel* label = qobject_cast<QLabel*>(controls[0]);
  EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
}

}  // namespace
}  // namespace framework
