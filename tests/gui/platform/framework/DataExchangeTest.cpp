// Moving fields in and out of controls, and every refusal with its message, its focus and
// what it leaves untouched.
#include "platform/framework/DataExchange.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include <optional>
#include <string>

#include "platform/framework/MessageBox.h"
#include "tests/gui/platform/framework/FormDialog.h"
#include "tests/support/ModalScript.h"

namespace framework {
namespace {

using namespace testing_form;
using testing_support::ModalScript;

const std::string kNotInteger = "Please enter an integer.";
const std::string kOutOfRange = "Please enter an integer between 1 and 1000.";
const std::string kTooLong = "Please enter no more than 10 characters.";

class Exchange : public testing::Test {
 protected:
  void SetUp() override {
    previousName_ = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName("Watchpost");
    form.show();  // focus is only visible on a shown window
    form.UpdateData(false);
  }
  void TearDown() override { QGuiApplication::setApplicationDisplayName(previousName_); }

  ModalScript noOtherDialogs;  // a stray real box would wait for a user forever
  Form form;

 private:
  QString previousName_;
};

struct NumberRow {
  const char* text;
  std::optional<int> value;    // what the field holds afterwards
  const std::string* message;  // the refusal, if any
};

TEST_F(Exchange, NumbersAreReadWholeAndCheckedAgainstTheirRange) {
  const NumberRow rows[] = {
      {"", {}, &kNotInteger},
      {"abc", {}, &kNotInteger},
      {"12x", {}, &kNotInteger},
      {"1 2", {}, &kNotInteger},
      {"+-7", {}, &kNotInteger},
      {"99999999999", {}, &kNotInteger},
      {"2147483648", {}, &kNotInteger},  // one past int
      // A range check looks at the field its exchange already filled, as the original did.
      {"2147483647", 2147483647, &kOutOfRange},
      {"-5", -5, &kOutOfRange},
      {"0", 0, &kOutOfRange},
      {"1001", 1001, &kOutOfRange},
      {"1", 1, nullptr},
      {"1000", 1000, nullptr},
      {" 42 ", 42, nullptr},
      {"\t+7", 7, nullptr},
  };
  for (const NumberRow& row : rows) {
    SCOPED_TRACE(std::string("text \"") + row.text + "\"");
    form.count = 10;
    form.name = "Warden";
    form.SetDlgItemText(kCount, row.text);
    form.SetDlgItemText(kName, "Gatehouse");

    ModalScript script;
    if (row.message != nullptr) script.expectMessage(*row.message);
    const bool saved = form.UpdateData(true);

    EXPECT_EQ(saved, row.message == nullptr);
    EXPECT_EQ(form.count, row.value.value_or(10));
    // Nothing after a refused field moves.
    EXPECT_EQ(form.name, row.message == nullptr ? "Gatehouse" : "Warden");
  }
}

TEST_F(Exchange, TextLengthsAreCountedInCharacters) {
  const struct {
    const char* text;
    bool fits;
  } rows[] = {
      {"0123456789", true},
      {"0123456789a", false},
      {"ÄÖÜäöüßéèê", true},  // 20 bytes
      {"ÄÖÜäöüßéèêë", false},
      {"📷📷📷📷📷📷📷📷📷📷", true},  // 40 bytes, 20 UTF-16 units
      {"", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    form.SetDlgItemText(kCount, "5");
    form.SetDlgItemText(kName, row.text);
    ModalScript script;
    if (!row.fits) script.expectMessage(kTooLong);
    EXPECT_EQ(form.UpdateData(true), row.fits);
    EXPECT_EQ(form.name, row.text);  // checked after the exchange filled it
  }
}

TEST_F(Exchange, ARefusalIsAnExclamationBoxThenFocusOnTheSelectedText) {
  form.SetDlgItemText(kCount, "1001");
  ModalScript script;
  script.expectMessage(kOutOfRange);
  EXPECT_FALSE(form.UpdateData(true));

  ASSERT_EQ(script.seen().size(), 1u);
  const testing_support::SeenDialog& box = script.seen()[0];
  EXPECT_EQ(box.caption, "Watchpost");
  EXPECT_EQ(box.icon, MB_ICONEXCLAMATION);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  auto* count = form.GetDlgItemAs<QLineEdit>(kCount);
  EXPECT_EQ(form.focusWidget(), count);
  EXPECT_EQ(count->selectedText(), "1001");
}

TEST_F(Exchange, TheLengthCheckAlsoLimitsTyping) {
  form.SetDlgItemText(kName, "");
  QTest::keyClicks(form.GetDlgItemAs<QLineEdit>(kName), "0123456789abc");
  EXPECT_EQ(form.GetDlgItemText(kName), "0123456789");
}

TEST_F(Exchange, ChecksRadiosAndListSelectionsGoBothWays) {
  for (const char* text : {"one", "two", "three"}) form.ListAddString(kList, text);
  form.choice = 2;
  form.checked = 1;
  form.pick = 1;
  form.UpdateData(false);
  EXPECT_TRUE(form.IsDlgButtonChecked(kRadioC));
  EXPECT_TRUE(form.IsDlgButtonChecked(kCheck));
  EXPECT_EQ(form.ListGetCurSel(kList), 1);

  form.CheckRadioButton(kRadioA, kRadioC, kRadioB);
  form.CheckDlgButton(kCheck, false);
  form.ListSetCurSel(kList, -1);
  form.SetDlgItemText(kCount, "5");
  ASSERT_TRUE(form.UpdateData(true));
  EXPECT_EQ(form.choice, 1);
  EXPECT_EQ(form.checked, 0);
  EXPECT_EQ(form.pick, -1);

  form.choice = -1;  // none of the group
  form.UpdateData(false);
  EXPECT_EQ(form.GetCheckedRadioButton(kRadioA, kRadioC), 0);
  ASSERT_TRUE(form.UpdateData(true));
  EXPECT_EQ(form.choice, -1);
}

}  // namespace
}  // namespace framework
