// Watchpost's dialog templates: every text fits where the template puts it, and the naming
// choices make one radio group in the order the dialog reads them.
#include "resources/WatchpostDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

#include "platform/framework/Dialog.h"
#include "platform/framework/FormView.h"
#include "platform/framework/Icons.h"
#include "tests/support/DialogFit.h"

namespace watchpost::res {
namespace {

using framework::CDialog;

TEST(WatchpostDialogs, NoTextIsCutOffAndNoControlsOverlap) {
  for (const framework::DialogTemplate* dialog :
       {&kAllocateFileDialog, &kDriverChoiceDialog, &kFileNamingDialog, &kAboutDialog,
        &kPeekWindowDialog}) {
    SCOPED_TRACE(dialog->caption);
    CDialog d(*dialog);
    d.show();
    for (const std::string& fault : testing_support::ClippedTexts(d)) ADD_FAILURE() << fault;
  }
}

TEST(WatchpostDialogs, ThePanelFitsExceptWhereItsOwnSizesCutALine) {
  framework::CFormView panel(kWatchpostForm);
  panel.show();
  // Two lines of 13 pixels in a 15-unit (24-pixel) label: the given size loses the bottom of
  // the second line, as it did with the original font.
  EXPECT_EQ(testing_support::ClippedTexts(panel),
            std::vector<std::string>{"\"Sample\nInterval (ms)\" height: needs 26 px, has 24"});
}

TEST(WatchpostDialogs, RadioGroupsRunAsTheChoicesAreRead) {
  CDialog peek(kPeekWindowDialog);
  EXPECT_EQ(peek.RadioGroupIds(IDC_TOP_LEFT),
            (std::vector<int>{IDC_TOP_LEFT, IDC_TOP_RIGHT, IDC_BOTTOM_LEFT, IDC_BOTTOM_RIGHT}));
  EXPECT_EQ(peek.RadioGroupIds(IDC_SIZE_HIDDEN),
            (std::vector<int>{IDC_SIZE_HIDDEN, IDC_SIZE_SMALL, IDC_SIZE_MEDIUM, IDC_SIZE_LARGE,
                              IDC_SIZE_CUSTOM}));
  framework::CFormView panel(kWatchpostForm);
  EXPECT_EQ(panel.RadioGroupIds(IDC_SCALE_LOW),
            (std::vector<int>{IDC_SCALE_LOW, IDC_SCALE_MEDIUM, IDC_SCALE_HIGH}));
}

TEST(WatchpostDialogs, ThePanelStartsIdleWithPauseHiddenAndMailOutOff) {
  framework::CFormView panel(kWatchpostForm);
  panel.show();
  EXPECT_TRUE(panel.GetDlgItem(IDC_PAUSE)->isHidden());
  EXPECT_FALSE(panel.GetDlgItem(IDC_PAUSE)->isEnabled());
  EXPECT_FALSE(panel.GetDlgItem(IDC_AUTO_MAIL)->isEnabled());
  EXPECT_EQ(panel.GetDlgItemText(IDC_START), "Start");
  // The 140-pixel strip holds the whole panel.
  for (QWidget* child : panel.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    EXPECT_LE(child->geometry().right(), 139) << child->metaObject()->className();
  }
}

TEST(WatchpostIcons, BothDrawAtEverySizeAndDiffer) {
  for (const int pixels : {16, 22, 32, 48}) {
    const QImage main = framework::LoadIcon(kMainIconPath).pixmap(pixels, pixels).toImage();
    const QImage tray = framework::LoadIcon(kTrayIconPath).pixmap(pixels, pixels).toImage();
    ASSERT_EQ(main.size(), QSize(pixels, pixels));
    ASSERT_EQ(tray.size(), QSize(pixels, pixels));
    int opaque = 0;
    for (int y = 0; y < pixels; ++y) {
      for (int x = 0; x < pixels; ++x) opaque += qAlpha(main.pixel(x, y)) == 255 ? 1 : 0;
    }
    EXPECT_GT(opaque, pixels * pixels / 3) << pixels;  // a bold shape, not a faint one
    EXPECT_NE(main, tray) << pixels;
  }
  CDialog about(kAboutDialog);
  const auto labels = about.findChildren<QLabel*>();
  const bool iconShown = std::any_of(labels.begin(), labels.end(), [](const QLabel* label) {
    return !label->pixmap().isNull() && label->size() == QSize(32, 32);
  });
  EXPECT_TRUE(iconShown);
}

TEST(WatchpostDialogs, TheFitCheckSeesATextThatDoesNotFit) {
  static constexpr framework::ControlTemplate kTight[] = {
      {framework::ControlKind::LText, framework::IDC_STATIC, "AVI File Size (Mb):", 7, 7, 40, 8},
      {framework::ControlKind::PushButton, framework::IDOK, "OK", 30, 7, 50, 14}};
  CDialog d(framework::DialogTemplate{1, "Tight", 0, 0, 100, 30, kTight});
  d.show();
  EXPECT_EQ(testing_support::ClippedTexts(d).size(), 2u);  // too high when wrapped, overlapped
}

TEST(WatchpostDialogs, TheNamingChoicesAreOneGroupInTheirOrder) {
  CDialog naming(kFileNamingDialog);
  EXPECT_EQ(naming.RadioGroupIds(IDC_RADIO_STANDARD),
            (std::vector<int>{IDC_RADIO_STANDARD, IDC_RADIO_DETAILED, IDC_RADIO_CUSTOM,
                              IDC_RADIO_PREFIX}));
}

TEST(WatchpostDialogs, TheNameEditShowsALongDetailedNameWhole) {
  CDialog naming(kFileNamingDialog);
  auto* edit = naming.GetDlgItemAs<QLineEdit>(IDC_CUSTOM_NAME);
  const QString longest = "Warden00 Wednesday 27 September 2026 23-59.avi";
  // Qt's line edit keeps 2 pixels each side inside its frame.
  const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
  const int need = edit->fontMetrics().horizontalAdvance(longest) + 2 * (frame + 2) + 1;
  EXPECT_LE(need, edit->width());
}

}  // namespace
}  // namespace watchpost::res
