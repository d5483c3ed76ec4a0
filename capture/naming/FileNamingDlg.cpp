#include "capture/naming/FileNamingDlg.h"

#include "capture/naming/FileNaming.h"
#include "platform/framework/DataExchange.h"
#include "resources/WatchpostDialogs.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {
namespace {

constexpr int kCustomNameChars = 80;
constexpr int kPrefixChars = 10;

// Why `name` would not name a file in the target folder, or null when it would.
const char* OutsideFolder(const std::string& name) {
  if (name.find('/') != std::string::npos) return res::text::kSlashRefused;
  if (!name.empty() && name.find_first_not_of('.') == std::string::npos) {
    return res::text::kDotsRefused;
  }
  return nullptr;
}

// The text the scheme puts first in the name: it must name a file in the target folder.
void DDV_InFolder(framework::CDataExchange& dx, int id, const std::string& text) {
  if (!dx.m_bSaveAndValidate || dx.failed()) return;
  if (const char* why = OutsideFolder(text)) {
    dx.PrepareCtrl(id);
    dx.Fail(why);
  }
}

using namespace res;

}  // namespace

CFileNamingDlg::CFileNamingDlg(Clock clock, QWidget* parent)
    : CDialog(res::kFileNamingDialog, parent), clock_(std::move(clock)) {
  LimitText(IDC_CUSTOM_NAME, kCustomNameChars);
  LimitText(IDC_PREFIX, kPrefixChars);
  OnClicked(IDC_RADIO_STANDARD, [this] {
    namingChoice = SchemeStandard;
    ShowStandard();
  });
  OnClicked(IDC_RADIO_DETAILED, [this] {
    namingChoice = SchemeDetailed;
    ShowDetailed();
  });
  OnClicked(IDC_RADIO_CUSTOM, [this] { OnCustom(); });
  OnClicked(IDC_RADIO_PREFIX, [this] { OnPrefix(); });
  OnEditChange(IDC_PREFIX, [this] { OnPrefixChanged(); });
}

std::string CFileNamingDlg::Now(const char* format) const {
  return FormatLocalTime(clock_(), format);
}

void CFileNamingDlg::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Text(dx, IDC_CUSTOM_NAME, customName);
  framework::DDV_MaxChars(dx, customName, kCustomNameChars);
  if (namingChoice == SchemeCustom) DDV_InFolder(dx, IDC_CUSTOM_NAME, customName);
  framework::DDX_Text(dx, IDC_PREFIX, prefixText);
  framework::DDV_MaxChars(dx, prefixText, kPrefixChars);
  // A prefix is followed by the time, so only a "/" could take it out of the folder.
  if (namingChoice == SchemePrefix && prefixText.find('/') != std::string::npos) {
    DDV_InFolder(dx, IDC_PREFIX, prefixText);
  }
  framework::DDX_Text(dx, IDC_EXAMPLE_NAME, exampleCaption);
}

bool CFileNamingDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  switch (namingChoice) {
    case SchemeStandard: ShowStandard(); break;
    case SchemeDetailed: ShowDetailed(); break;
    case SchemeCustom:
      CheckRadioButton(IDC_RADIO_PREFIX, IDC_RADIO_DETAILED, IDC_RADIO_CUSTOM);
      EnableDlgItem(IDC_PREFIX, false);
      EnableDlgItem(IDC_CUSTOM_NAME, true);
      break;
    case SchemePrefix:
      CheckRadioButton(IDC_RADIO_PREFIX, IDC_RADIO_DETAILED, IDC_RADIO_PREFIX);
      EnableDlgItem(IDC_PREFIX, true);
      EnableDlgItem(IDC_CUSTOM_NAME, false);
      exampleCaption = res::text::kExampleCaption;
      UpdateData(false);
      break;
    default:
      // An unknown scheme shows none chosen; the object may have shown one last time.
      CheckRadioButton(IDC_RADIO_PREFIX, IDC_RADIO_DETAILED, 0);
      break;
  }
  return true;
}

// The Standard and Detailed choices show their example in the (disabled) custom edit. The
// Detailed example always reads Warden00, whichever driver is in use.
void CFileNamingDlg::ShowStandard() {
  ShowExample(IDC_RADIO_STANDARD, kStandardPrefix, kShortTimeFormat);
}
void CFileNamingDlg::ShowDetailed() {
  ShowExample(IDC_RADIO_DETAILED, kDetailedPrefix, kLongTimeFormat);
}

void CFileNamingDlg::ShowExample(int radio, const char* prefix, const char* timeFormat) {
  CheckRadioButton(IDC_RADIO_PREFIX, IDC_RADIO_DETAILED, radio);
  EnableDlgItem(IDC_CUSTOM_NAME, false);
  EnableDlgItem(IDC_PREFIX, false);
  prefixText = prefix;
  customName = prefixText + Now(timeFormat) + ".avi";
  exampleCaption = res::text::kExampleCaption;
  UpdateData(false);
}

void CFileNamingDlg::OnCustom() {
  namingChoice = SchemeCustom;
  EnableDlgItem(IDC_CUSTOM_NAME, true);
  EnableDlgItem(IDC_PREFIX, false);
  exampleCaption.clear();
  // The custom name keeps what it held: after Standard or Detailed, the example, ".avi" and all.
  UpdateData(false);
}

void CFileNamingDlg::OnPrefix() {
  prefixBaseChoice = namingChoice;
  namingChoice = SchemePrefix;
  EnableDlgItem(IDC_PREFIX, true);
  EnableDlgItem(IDC_CUSTOM_NAME, false);
  exampleCaption = res::text::kExampleCaption;
  UpdateData(false);
}

void CFileNamingDlg::OnPrefixChanged() {
  // Only the prefix is read: the checks of OK are not made at every key.
  prefixText = GetDlgItemText(IDC_PREFIX);
  customName = prefixText +
               Now(prefixBaseChoice == SchemeStandard ? kShortTimeFormat : kLongTimeFormat) +
               ".avi";
  exampleCaption = res::text::kExampleCaption;
  UpdateData(false);
}

}  // namespace watchpost
