#include "capture/naming/FileNamingDlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <string>

#include "capture/naming/FileNaming.h"
#include "platform/framework/StandardIds.h"
#include "resources/WatchpostDialogs.h"
#include "tests/support/LocalTime.h"
#include "tests/support/ModalScript.h"

namespace watchpost {
namespace {

using namespace res;
using testing_support::ModalScript;

const std::time_t kMonday = testing_support::LocalTime(2001, 3, 5, 9, 7, 42);

class FileNamingDlgTest : public ::testing::Test {
 protected:
  // Opens the dialog on `scheme`, lets `act` work on it, and leaves it with OK or Cancel.
  template <class Act>
  void Open(int scheme, Act act, int closeWith = framework::IDOK) {
    dialog_.namingChoice = scheme;
    ModalScript script;
    script.expectDialog<CFileNamingDlg>([&](CFileNamingDlg& d) {
      act(d);
      QTest::mouseClick(d.GetDlgItemAs<QPushButton>(closeWith), Qt::LeftButton);
    });
    dialog_.DoModal();
  }
  static void Click(CFileNamingDlg& d, int id) {
    QTest::mouseClick(d.GetDlgItemAs<QAbstractButton>(id), Qt::LeftButton);
  }
  static QLineEdit* Edit(CFileNamingDlg& d, int id) { return d.GetDlgItemAs<QLineEdit>(id); }
  static int Checked(CFileNamingDlg& d) {
    return d.GetCheckedRadioButton(IDC_RADIO_PREFIX, IDC_RADIO_DETAILED);
  }

  CFileNamingDlg dialog_{[] { return kMonday; }};
};

TEST_F(FileNamingDlgTest, EachSchemeOpensWithItsRadioItsEditsAndItsExample) {
  const struct {
    int scheme;
    int radio;
    bool customEnabled;
    bool prefixEnabled;
    const char* customText;
    const char* caption;
  } cases[] = {
      {1, IDC_RADIO_STANDARD, false, false, "WTV0103050907.avi", "Example Filename"},
      {2, IDC_RADIO_DETAILED, false, false, "Warden00 Monday 05 March 2001 09-07.avi",
       "Example Filename"},
      {3, IDC_RADIO_CUSTOM, true, false, "Garage", ""},
      {4, IDC_RADIO_PREFIX, false, true, "Garage", "Example Filename"},
      {9, 0, true, true, "Garage", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scheme);
    dialog_.customName = "Garage";
    dialog_.exampleCaption.clear();
    Open(
        c.scheme,
        [&](CFileNamingDlg& d) {
          EXPECT_EQ(Checked(d), c.radio);
          if (c.scheme <= 4) {
            EXPECT_EQ(Edit(d, IDC_CUSTOM_NAME)->isEnabled(), c.customEnabled);
            EXPECT_EQ(Edit(d, IDC_PREFIX)->isEnabled(), c.prefixEnabled);
          }
          EXPECT_EQ(Edit(d, IDC_CUSTOM_NAME)->text().toStdString(), c.customText);
          EXPECT_EQ(d.GetDlgItemText(IDC_EXAMPLE_NAME), c.caption);
        },
        framework::IDCANCEL);
  }
}

TEST_F(FileNamingDlgTest, CustomAfterStandardKeepsTheExampleAsTheName) {
  Open(1, [](CFileNamingDlg& d) {
    Click(d, IDC_RADIO_CUSTOM);
    EXPECT_TRUE(Edit(d, IDC_CUSTOM_NAME)->isEnabled());
    EXPECT_EQ(d.GetDlgItemText(IDC_EXAMPLE_NAME), "");
  });
  EXPECT_EQ(dialog_.namingChoice, SchemeCustom);
  EXPECT_EQ(dialog_.customName, "WTV0103050907.avi");
  const NamingTexts texts{dialog_.customName, dialog_.prefixText, dialog_.prefixBaseChoice};
  EXPECT_EQ(BuildStem(dialog_.namingChoice, 0, texts, kMonday), "WTV0103050907.avi");
}

TEST_F(FileNamingDlgTest, APrefixTakesTheTimeOfTheSchemeBeforeIt) {
  const struct {
    const char* name;
    int from;
    bool clickTwice;
    int base;
    const char* shownPrefix;
    const char* example;  // after typing "Yard"
  } cases[] = {
      {"after Standard", 1, false, 1, "WTV", "Yard0103050907.avi"},
      {"after Detailed", 2, false, 2, "Warden00 ", "YardMonday 05 March 2001 09-07.avi"},
      {"clicked twice", 1, true, 4, "WTV", "YardMonday 05 March 2001 09-07.avi"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open(c.from, [&](CFileNamingDlg& d) {
      Click(d, IDC_RADIO_PREFIX);
      if (c.clickTwice) Click(d, IDC_RADIO_PREFIX);
      EXPECT_TRUE(Edit(d, IDC_PREFIX)->isEnabled());
      EXPECT_EQ(Edit(d, IDC_PREFIX)->text().toStdString(), c.shownPrefix);
      Edit(d, IDC_PREFIX)->setText("Yard");  // as typed: the example follows live
      EXPECT_EQ(Edit(d, IDC_CUSTOM_NAME)->text().toStdString(), c.example);
    });
    EXPECT_EQ(dialog_.namingChoice, SchemePrefix);
    EXPECT_EQ(dialog_.prefixBaseChoice, c.base);
    EXPECT_EQ(dialog_.prefixText, "Yard");
  }
}

TEST_F(FileNamingDlgTest, AnOverLongNameKeepsTheDialogOpenWithTheFrameworksMessage) {
  dialog_.namingChoice = SchemeCustom;
  ModalScript script;
  script
      .expectDialog<CFileNamingDlg>([](CFileNamingDlg& d) {
        Edit(d, IDC_CUSTOM_NAME)->setText(QString(81, 'x'));  // set by a program, not typed
        QTest::mouseClick(d.GetDlgItemAs<QPushButton>(framework::IDOK), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible() || d.result() == 0) << "still open";
        Edit(d, IDC_CUSTOM_NAME)->setText("Gate");
        QTest::mouseClick(d.GetDlgItemAs<QPushButton>(framework::IDOK), Qt::LeftButton);
      })
      .expectMessage("Please enter no more than 80 characters.");
  EXPECT_EQ(dialog_.DoModal(), framework::IDOK);
  EXPECT_EQ(dialog_.customName, "Gate");
}

// A name that would put the run's files outside the target folder is refused the framework's
// way: its message, the dialog still open on it; a name that stays there is taken.
TEST_F(FileNamingDlgTest, ANameThatWouldLeaveTheFolderIsRefusedAndTheDialogStaysOpen) {
  const char* slash = "A file name cannot contain \"/\".";
  const char* dots = "A file name cannot be made of dots only.";
  const struct {
    int scheme;
    int edit;
    const char* typed;
    const char* message;  // null: taken
  } cases[] = {
      {SchemeCustom, IDC_CUSTOM_NAME, "../Garage", slash},
      {SchemeCustom, IDC_CUSTOM_NAME, "/tmp/Garage", slash},
      {SchemeCustom, IDC_CUSTOM_NAME, "Gar/age", slash},
      {SchemeCustom, IDC_CUSTOM_NAME, "..", dots},
      {SchemeCustom, IDC_CUSTOM_NAME, ".", dots},
      {SchemeCustom, IDC_CUSTOM_NAME, "....", dots},
      {SchemePrefix, IDC_PREFIX, "../", slash},
      {SchemePrefix, IDC_PREFIX, "..", nullptr},  // the time follows: "..0103050907"
      {SchemeCustom, IDC_CUSTOM_NAME, "..Garage", nullptr},
      {SchemeCustom, IDC_CUSTOM_NAME, "Garage \\ 2", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    dialog_.namingChoice = c.scheme;
    bool stayedOpen = false;
    ModalScript script;
    script.expectDialog<CFileNamingDlg>([&](CFileNamingDlg& d) {
      Edit(d, c.edit)->selectAll();
      QTest::keyClicks(Edit(d, c.edit), c.typed);
      QTest::keyClick(d.GetDlgItemAs<QPushButton>(framework::IDOK), Qt::Key_Space);
      if (c.message == nullptr) return;
      stayedOpen = d.isVisible() && d.result() == 0;
      Edit(d, c.edit)->selectAll();
      QTest::keyClicks(Edit(d, c.edit), "Gate");
      QTest::keyClick(d.GetDlgItemAs<QPushButton>(framework::IDOK), Qt::Key_Space);
    });
    if (c.message != nullptr) script.expectMessage(c.message);
    EXPECT_EQ(dialog_.DoModal(), framework::IDOK);
    if (c.message != nullptr) {
      EXPECT_TRUE(stayedOpen);
      EXPECT_EQ(c.edit == IDC_PREFIX ? dialog_.prefixText : dialog_.customName, "Gate");
    } else {
      EXPECT_EQ(c.edit == IDC_PREFIX ? dialog_.prefixText : dialog_.customName, c.typed);
    }
  }
}

TEST_F(FileNamingDlgTest, PrefixAfterCustomTakesTheLongForm) {
  Open(3, [](CFileNamingDlg& d) {
    Click(d, IDC_RADIO_PREFIX);
    Edit(d, IDC_PREFIX)->setText("Gate");
    EXPECT_EQ(Edit(d, IDC_CUSTOM_NAME)->text().toStdString(), "GateMonday 05 March 2001 09-07.avi");
  });
  EXPECT_EQ(dialog_.prefixBaseChoice, SchemeCustom);
}

TEST_F(FileNamingDlgTest, TypedTextsStopAtTheirLimits) {
  Open(3, [](CFileNamingDlg& d) {
    Edit(d, IDC_CUSTOM_NAME)->clear();
    QTest::keyClicks(Edit(d, IDC_CUSTOM_NAME), QString(90, 'n'));
  });
  EXPECT_EQ(dialog_.customName, std::string(80, 'n'));
  Open(4, [](CFileNamingDlg& d) {
    Edit(d, IDC_PREFIX)->selectAll();
    QTest::keyClicks(Edit(d, IDC_PREFIX), "Establishment");
  });
  EXPECT_EQ(dialog_.prefixText, "Establishm");
}

}  // namespace
}  // namespace watchpost
