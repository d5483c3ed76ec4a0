// Watchpost's dialog templates: every text fits where the template puts it, and the naming
// choices make one radio group in the order the dialog reads them.
#include "resources/WatchpostDialogs.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QStyle>

#include "platform/framework/Dialog.h"
#include "tests/support/DialogFit.h"

namespace watchpost::res {
namespace {

using framework::CDialog;

TEST(WatchpostDialogs, NoTextIsCutOffAndNoControlsOverlap) {
  for (const framework::DialogTemplate* dialog :
       {&kAllocateFileDialog, &kDriverChoiceDialog, &kFileNamingDialog}) {
    SCOPED_TRACE(dialog->caption);
    CDialog d(*dialog);
    d.show();
    for (const std::string& fault : testing_support::ClippedTexts(d)) ADD_FAILURE() << fault;
  }
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
