// Dialogs built from templates: geometry, controls by id, radio groups, notifications, list
// boxes, typing limits, and the modal run through the buttons and keys.
#include "platform/framework/Dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cctype>
#include <vector>

#include "tests/gui/platform/framework/FormDialog.h"
#include "tests/support/ModalScript.h"

namespace framework {
namespace {

using namespace testing_form;
using testing_support::ModalScript;

QLineEdit* EditOf(CDialog& d, int id) { return d.GetDlgItemAs<QLineEdit>(id); }

void Click(CDialog& d, int id) { QTest::mouseClick(d.GetDlgItem(id), Qt::LeftButton); }

void Retype(CDialog& d, int id, const char* text) {
  EditOf(d, id)->selectAll();
  QTest::keyClick(EditOf(d, id), Qt::Key_Delete);
  QTest::keyClicks(EditOf(d, id), text);
}

TEST(DialogGeometry, ControlsSitAtTheirTemplateRectangleInPixels) {
  Form d;
  EXPECT_EQ(d.size(), QSize(345, 212));                                  // 230 x 131 units
  EXPECT_EQ(d.GetDlgItem(kName)->geometry(), QRect(75, 11, 150, 22));    // 50, 7, 100, 14
  EXPECT_EQ(d.GetDlgItem(kRadioA)->geometry(), QRect(10, 73, 60, 16));   // 7, 45, 40, 10
  EXPECT_EQ(d.GetDlgItem(kList)->geometry(), QRect(10, 138, 120, 65));   // 7, 85, 80, 40
  EXPECT_EQ(ControlPixelRect(kFormControls[0]), QRect(10, 14, 60, 13));  // 7, 9, 40, 8
}

TEST(DialogControls, StylesAndMnemonicsCarryOverAndUnknownIdsAreHarmless) {
  Form d;
  EXPECT_FALSE(d.GetDlgItem(kApply)->isEnabled());
  EXPECT_TRUE(d.GetDlgItemAs<QPushButton>(IDOK)->isDefault());
  EXPECT_EQ(d.GetDlgItem(IDC_STATIC), nullptr);
  EXPECT_EQ(d.findChild<QLabel*>()->buddy(), d.GetDlgItem(kName));  // "&Name:"
  d.SetDlgItemText(4242, "x");
  EXPECT_EQ(d.GetDlgItemText(4242), "");
}

TEST(DialogControls, ARadioGroupRunsFromOneGroupStyleToTheNext) {
  Form d;
  d.show();
  EXPECT_EQ(d.RadioGroupIds(kRadioA), (std::vector<int>{kRadioA, kRadioB, kRadioC}));
  Click(d, kRadioA);
  Click(d, kRadioY);
  EXPECT_TRUE(d.IsDlgButtonChecked(kRadioA));  // another group
  Click(d, kRadioC);
  EXPECT_EQ(d.GetCheckedRadioButton(kRadioA, kRadioC), kRadioC);
  d.CheckRadioButton(kRadioA, kRadioC, 0);  // none at all, which a Qt group would not allow
  EXPECT_EQ(d.GetCheckedRadioButton(kRadioA, kRadioC), 0);
  EXPECT_TRUE(d.IsDlgButtonChecked(kRadioY));
}

TEST(DialogNotifications, ClicksComeFromTheUserNotFromCheckingInCode) {
  Form d;
  d.show();
  int clicks = 0;
  d.OnClicked(kRadioB, [&] { ++clicks; });
  d.CheckRadioButton(kRadioA, kRadioC, kRadioB);
  Click(d, kRadioB);
  EXPECT_EQ(clicks, 1);

  d.OnClicked(IDOK, [&] { ++clicks; });  // replaces OnOK: the dialog stays
  Click(d, IDOK);
  EXPECT_EQ(clicks, 2);
  EXPECT_TRUE(d.isVisible());
}

TEST(DialogNotifications, EditChangesComeForTypingAndSettingButNotDuringATransfer) {
  Form d;
  int changes = 0;
  d.OnEditChange(kName, [&] { ++changes; });
  QTest::keyClicks(EditOf(d, kName), "ab");
  d.SetDlgItemText(kName, "typed by the program");
  EXPECT_EQ(changes, 3);
  d.name = "moved in";
  d.UpdateData(false);
  EXPECT_EQ(changes, 3);
}

TEST(DialogNotifications, AnEditHandlerThatWritesItsOwnEditIsNotCalledBackByIt) {
  Form d;
  ModalScript noMessages;
  d.SetDlgItemText(kCount, "5");
  int calls = 0;
  d.OnEditChange(kName, [&] {
    ++calls;
    ASSERT_TRUE(d.UpdateData(true));
    for (char& c : d.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    d.UpdateData(false);
  });
  QTest::keyClicks(EditOf(d, kName), "ab");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(d.GetDlgItemText(kName), "AB");

  d.OnEditChange(kName, [&] {
    ++calls;
    d.SetDlgItemText(kName, d.GetDlgItemText(kName) + "!");
  });
  QTest::keyClicks(EditOf(d, kName), "c");
  EXPECT_EQ(d.GetDlgItemText(kName), "ABc!");
  // Another edit's handler writing this edit does call it.
  d.OnEditChange(kCount, [&] { d.SetDlgItemText(kName, "from count"); });
  QTest::keyClicks(EditOf(d, kCount), "7");
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(d.GetDlgItemText(kName), "from count!");
}

TEST(DialogListBox, InsertsAtAPositionAndReportsNoSelectionAsMinusOne) {
  Form d;
  EXPECT_EQ(d.ListInsertString(kList, -1, "second"), 0);
  EXPECT_EQ(d.ListInsertString(kList, 0, "first"), 0);
  EXPECT_EQ(d.ListInsertString(kList, 9, "nowhere"), -1);
  EXPECT_EQ(d.ListGetText(kList, 1), "second");
  EXPECT_EQ(d.ListGetCurSel(kList), -1);
  EXPECT_FALSE(d.ListSetCurSel(kList, 2));

  // A sorted list box sorts what is added, not what is inserted.
  for (const char* text : {"pear", "Apple", "fig"}) d.ListAddString(kSorted, text);
  d.ListInsertString(kSorted, 0, "zucchini");
  EXPECT_EQ(d.ListGetText(kSorted, 1), "Apple");
  EXPECT_EQ(d.ListGetText(kSorted, 3), "pear");
}

TEST(DialogListBox, SelectionChangesComeFromTheUserOnly) {
  Form d;
  d.show();
  for (const char* text : {"one", "two", "three"}) d.ListAddString(kList, text);
  int changes = 0;
  d.OnListSelChange(kList, [&] { ++changes; });
  d.ListSetCurSel(kList, 0);
  auto* list = d.GetDlgItemAs<QListWidget>(kList);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(d.ListGetCurSel(kList), 1);
}

TEST(DialogEdits, TypingStopsAtTheLimitButTheProgramsLongerTextStaysWhole) {
  Form d;
  QLineEdit* edit = EditOf(d, kName);
  d.LimitText(kName, 5);
  QTest::keyClicks(edit, "abcdefg");
  EXPECT_EQ(edit->text(), "abcde");

  d.SetDlgItemText(kName, "abcdefghij");
  QTest::keyClick(edit, Qt::Key_Backspace);  // shortening is allowed...
  QTest::keyClicks(edit, "x");               // ...growing is not
  EXPECT_EQ(edit->text(), "abcdefghi");

  // Counted in characters, not bytes; QTest types ASCII only, so the keys carry the text.
  d.LimitText(kName, 3);
  d.SetDlgItemText(kName, "");
  for (const char* key : {"ä", "ö", "ü", "ß"}) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(key));
    QApplication::sendEvent(edit, &press);
  }
  EXPECT_EQ(d.GetDlgItemText(kName), "äöü");

  QTest::keyClicks(EditOf(d, kCount), "1a2");  // digits only
  EXPECT_EQ(d.GetDlgItemText(kCount), "12");
}

TEST(DialogModal, AFailedOkKeepsTheDialogOpenAndAValidOneClosesIt) {
  Form d;
  ModalScript script;
  bool stayedOpen = false;
  bool focusedAndSelected = false;
  script.expectDialog<Form>([&](Form& form) {
    Retype(form, kCount, "5000");
    Click(form, IDOK);
    stayedOpen = form.isVisible();
    focusedAndSelected = form.focusWidget() == EditOf(form, kCount) &&
                         EditOf(form, kCount)->selectedText() == "5000";
    Retype(form, kCount, "12");
    Retype(form, kName, "Gatehouse");
    Click(form, IDOK);
  });
  script.expectMessage("Please enter an integer between 1 and 1000.");

  EXPECT_EQ(d.DoModal(), IDOK);
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(focusedAndSelected);
  EXPECT_EQ(d.count, 12);
  EXPECT_EQ(d.name, "Gatehouse");
}

TEST(DialogModal, CancelEscapeAndEnterEndTheDialogAsTheButtonsDo) {
  Form d;
  ModalScript script;
  script.expectDialog<Form>([](Form& form) {
    Retype(form, kName, "changed");
    Click(form, IDCANCEL);
  });
  script.expectDialog<Form>([](Form& form) {
    Retype(form, kName, "changed again");
    QTest::keyClick(EditOf(form, kName), Qt::Key_Escape);
  });
  script.expectDialog<Form>([](Form& form) {
    Retype(form, kCount, "77");
    QTest::keyClick(EditOf(form, kCount), Qt::Key_Return);  // the default button, OK
  });
  EXPECT_EQ(d.DoModal(), IDCANCEL);
  EXPECT_EQ(d.DoModal(), IDCANCEL);
  EXPECT_EQ(d.name, "Warden");
  EXPECT_EQ(d.DoModal(), IDOK);
  EXPECT_EQ(d.count, 77);
}

TEST(DialogModal, InitialisationFillsTheControlsAndFocusesTheFirstTabStop) {
  Form d;
  d.choice = 2;
  ModalScript script;
  script.expectDialog<Form>([](Form& form) {
    EXPECT_TRUE(form.IsDlgButtonChecked(kRadioC));
    EXPECT_EQ(form.focusWidget(), form.GetDlgItem(kName));
    EXPECT_EQ(EditOf(form, kName)->selectedText(), "Warden");
    return IDOK;
  });
  EXPECT_EQ(d.DoModal(), IDOK);
}

TEST(DialogModal, ADialogEndedWhileInitialisingIsNeverShown) {
  Form d;
  d.onInit = [&] {
    d.EndDialog(IDCANCEL);
    return true;
  };
  ModalScript script;  // expects nothing: showing it would fail the test
  EXPECT_EQ(d.DoModal(), IDCANCEL);
}

}  // namespace
}  // namespace framework
