#include "capture/frame/PeekWindowDlg.h"

#include <gtest/gtest.h>

#include <QTest>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>

#include <functional>
#include <vector>

#include "platform/framework/StandardIds.h"
#include "resources/WatchpostDialogs.h"
#include "tests/support/ModalScript.h"

namespace watchpost {
namespace {

using namespace res;
using testing_support::ModalScript;

constexpr int kCornerIds[] = {IDC_TOP_LEFT, IDC_BOTTOM_LEFT, IDC_TOP_RIGHT, IDC_BOTTOM_RIGHT};
constexpr int kSizeIds[] = {IDC_SIZE_HIDDEN, IDC_SIZE_SMALL, IDC_SIZE_MEDIUM, IDC_SIZE_LARGE,
                            IDC_SIZE_CUSTOM};

void Click(CPeekWindowDlg& d, int id) {
  QTest::mouseClick(d.GetDlgItemAs<QAbstractButton>(id), Qt::LeftButton);
}
void Ok(CPeekWindowDlg& d) { Click(d, framework::IDOK); }
void Cancel(CPeekWindowDlg& d) { Click(d, framework::IDCANCEL); }

// The checked buttons among `ids`, so that a test sees two checked as well as none.
std::vector<int> Checked(CPeekWindowDlg& d, const int* begin, const int* end) {
  std::vector<int> checked;
  for (const int* id = begin; id != end; ++id) {
    if (d.IsDlgButtonChecked(*id)) checked.push_back(*id);
  }
  return checked;
}
std::vector<int> CheckedCorners(CPeekWindowDlg& d) {
  return Checked(d, std::begin(kCornerIds), std::end(kCornerIds));
}
std::vector<int> CheckedSizes(CPeekWindowDlg& d) {
  return Checked(d, std::begin(kSizeIds), std::end(kSizeIds));
}

class PeekWindowDlgTest : public ::testing::Test {
 protected:
  // The Peek Window command on values_, with `act` working on the open dialog; act must end it.
  int Run(std::function<void(CPeekWindowDlg&)> act) {
    ModalScript script;
    script.expectDialog<CPeekWindowDlg>(std::move(act));
    return RunPeekWindowSettings(values_);
  }

  PeekValues values_;
};

// --- opening

TEST_F(PeekWindowDlgTest, OpensWithTheCornerOfThePosition) {
  const struct {
    int position;
    std::vector<int> checked;
  } cases[] = {
      {0, {IDC_TOP_LEFT}},
      {1, {IDC_BOTTOM_LEFT}},
      {2, {IDC_TOP_RIGHT}},
      {3, {IDC_BOTTOM_RIGHT}},
      {-1, {}},
      {4, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    values_.peekPosition = c.position;
    Run([&](CPeekWindowDlg& d) {
      EXPECT_EQ(CheckedCorners(d), c.checked);
      Cancel(d);
    });
  }
}

TEST_F(PeekWindowDlgTest, OpensWithTheSizeCheckedAndTheEditsOnlyForCustom) {
  const struct {
    int size;
    std::vector<int> checked;
    bool editsEnabled;
  } cases[] = {
      {0, {IDC_SIZE_HIDDEN}, false},
      {1, {IDC_SIZE_SMALL}, false},
      {2, {IDC_SIZE_MEDIUM}, false},
      {3, {IDC_SIZE_LARGE}, false},
      {4, {IDC_SIZE_CUSTOM}, true},
      {-1, {}, false},
      {5, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    values_.peekSize = c.size;
    Run([&](CPeekWindowDlg& d) {
      EXPECT_EQ(CheckedSizes(d), c.checked);
      EXPECT_EQ(d.widthEdit->isEnabled(), c.editsEnabled);
      EXPECT_EQ(d.heightEdit->isEnabled(), c.editsEnabled);
      Cancel(d);
    });
  }
}

TEST_F(PeekWindowDlgTest, TheEditsShowTheCustomSizeAndAreTheControlsByNumber) {
  values_.customWidth = 200;
  values_.customHeight = 150;
  Run([](CPeekWindowDlg& d) {
    EXPECT_EQ(d.widthEdit, d.GetDlgItem(IDC_PEEK_WIDTH));
    EXPECT_EQ(d.heightEdit, d.GetDlgItem(IDC_PEEK_HEIGHT));
    EXPECT_EQ(d.widthEdit->text(), "200");
    EXPECT_EQ(d.heightEdit->text(), "150");
    EXPECT_EQ(d.customWidth, 200);
    EXPECT_EQ(d.customHeight, 150);
    Cancel(d);
  });
}

// --- the buttons act on the values at once

TEST_F(PeekWindowDlgTest, EachCornerSetsThePositionWhileTheDialogIsOpen) {
  const struct {
    int id;
    int position;
  } cases[] = {{IDC_TOP_LEFT, 0}, {IDC_BOTTOM_LEFT, 1}, {IDC_TOP_RIGHT, 2}, {IDC_BOTTOM_RIGHT, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    values_.peekPosition = 9;
    Run([&](CPeekWindowDlg& d) {
      Click(d, c.id);
      EXPECT_EQ(values_.peekPosition, c.position);
      Ok(d);
    });
    EXPECT_EQ(values_.peekPosition, c.position);
  }
}

TEST_F(PeekWindowDlgTest, EachFixedSizeSetsTheSizeAndDisablesTheEdits) {
  const struct {
    int id;
    int size;
  } cases[] = {
      {IDC_SIZE_HIDDEN, 0}, {IDC_SIZE_SMALL, 1}, {IDC_SIZE_MEDIUM, 2}, {IDC_SIZE_LARGE, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    values_.peekSize = PeekCustom;
    Run([&](CPeekWindowDlg& d) {
      ASSERT_TRUE(d.widthEdit->isEnabled());
      Click(d, c.id);
      EXPECT_EQ(values_.peekSize, c.size);
      EXPECT_FALSE(d.widthEdit->isEnabled());
      EXPECT_FALSE(d.heightEdit->isEnabled());
      EXPECT_EQ(CheckedSizes(d), std::vector<int>{c.id});
      Cancel(d);
    });
    EXPECT_EQ(values_.peekSize, c.size);
  }
}

TEST_F(PeekWindowDlgTest, CustomEnablesTheEditsAndTakesTheMembersNotTheTypedText) {
  values_.peekSize = PeekSmall;
  Run([&](CPeekWindowDlg& d) {
    d.widthEdit->setText("33");
    d.heightEdit->setText("44");
    d.customWidth = 70;
    d.customHeight = 50;
    Click(d, IDC_SIZE_CUSTOM);
    EXPECT_EQ(values_.peekSize, PeekCustom);
    EXPECT_TRUE(d.widthEdit->isEnabled());
    EXPECT_TRUE(d.heightEdit->isEnabled());
    EXPECT_EQ(values_.customWidth, 70);
    EXPECT_EQ(values_.customHeight, 50);
    EXPECT_EQ(d.widthEdit->text(), "33") << "the edits are left as typed";
    Ok(d);
  });
  EXPECT_EQ(values_.customWidth, 33);
  EXPECT_EQ(values_.customHeight, 44);
}

// --- OK and Cancel

TEST_F(PeekWindowDlgTest, CancelPutsTheCornerBackButKeepsTheSizeAndTheCustomSize) {
  values_ = PeekValues{PeekBottomRight, PeekMedium, 120, 90};
  EXPECT_EQ(Run([](CPeekWindowDlg& d) {
              Click(d, IDC_TOP_LEFT);
              Click(d, IDC_SIZE_LARGE);
              d.widthEdit->setText("200");
              d.heightEdit->setText("100");
              Cancel(d);
            }),
            framework::IDCANCEL);
  EXPECT_EQ(values_.peekPosition, PeekBottomRight);
  EXPECT_EQ(values_.peekSize, PeekLarge);
  EXPECT_EQ(values_.customWidth, 120);
  EXPECT_EQ(values_.customHeight, 90);
}

TEST_F(PeekWindowDlgTest, OkWithoutCustomSelectedStillStoresTheCustomSize) {
  values_ = PeekValues{PeekTopLeft, PeekSmall, 120, 90};
  EXPECT_EQ(Run([](CPeekWindowDlg& d) {
              Click(d, IDC_BOTTOM_RIGHT);
              d.widthEdit->setText("240");
              d.heightEdit->setText(" 180 ");
              Ok(d);
            }),
            framework::IDOK);
  EXPECT_EQ(values_.peekPosition, PeekBottomRight);
  EXPECT_EQ(values_.peekSize, PeekSmall);
  EXPECT_EQ(values_.customWidth, 240);
  EXPECT_EQ(values_.customHeight, 180);
}

// --- validation

TEST_F(PeekWindowDlgTest, HeightIsCheckedBeforeWidthAndTheDialogStaysOpenUntilBothPass) {
  values_ = PeekValues{PeekTopLeft, PeekCustom, 120, 90};
  ModalScript script;
  script
      .expectDialog<CPeekWindowDlg>([](CPeekWindowDlg& d) {
        d.widthEdit->setText("241");
        d.heightEdit->setText("0");
        Ok(d);
        EXPECT_EQ(d.result(), 0) << "still open";
        d.heightEdit->setText("180");
        Ok(d);
        EXPECT_EQ(d.result(), 0) << "still open";
        d.widthEdit->setText("1");
        Ok(d);
      })
      .expectMessage("Please enter an integer between 1 and 180.")
      .expectMessage("Please enter an integer between 1 and 240.");
  EXPECT_EQ(RunPeekWindowSettings(values_), framework::IDOK);
  EXPECT_EQ(values_.customWidth, 1);
  EXPECT_EQ(values_.customHeight, 180);
}

TEST_F(PeekWindowDlgTest, TextThatIsNoNumberIsRefusedAsAnInteger) {
  const struct {
    const char* width;
    const char* height;
    const char* message;
  } cases[] = {
      {"120", "ninety", "Please enter an integer."},
      {"", "90", "Please enter an integer."},
      {"12.5", "90", "Please enter an integer."},
      {"120", "-1", "Please enter an integer between 1 and 180."},
      {"0", "90", "Please enter an integer between 1 and 240."},
      {"1000", "abc", "Please enter an integer."},  // the height is the one reported
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    values_ = PeekValues{PeekTopLeft, PeekCustom, 120, 90};
    ModalScript script;
    script
        .expectDialog<CPeekWindowDlg>([&](CPeekWindowDlg& d) {
          d.widthEdit->setText(c.width);
          d.heightEdit->setText(c.height);
          Ok(d);
          Cancel(d);
        })
        .expectMessage(c.message);
    EXPECT_EQ(RunPeekWindowSettings(values_), framework::IDCANCEL);
    EXPECT_EQ(values_.customWidth, 120);
    EXPECT_EQ(values_.customHeight, 90);
  }
}

TEST_F(PeekWindowDlgTest, StoredSizesTooLargeForTheDialogFailOkEvenWithTheEditsDisabled) {
  values_ = PeekValues{PeekTopRight, PeekSmall, 500, 400};
  ModalScript script;
  script
      .expectDialog<CPeekWindowDlg>([](CPeekWindowDlg& d) {
        ASSERT_FALSE(d.heightEdit->isEnabled());
        Ok(d);
        EXPECT_EQ(d.result(), 0) << "still open";
        Cancel(d);
      })
      .expectMessage("Please enter an integer between 1 and 180.");
  EXPECT_EQ(RunPeekWindowSettings(values_), framework::IDCANCEL);
  EXPECT_EQ(values_.customWidth, 500);
  EXPECT_EQ(values_.customHeight, 400);
}

}  // namespace
}  // namespace watchpost
