#include "viewer/view/ViewerDialogs.h"

#include <QLineEdit>

#include <algorithm>

#include "platform/framework/DataExchange.h"
#include "resources/CasebookResources.h"
#include "viewer/document/CasebookDoc.h"

namespace casebook {

using namespace res;

CAviPropertiesDlg::CAviPropertiesDlg(QWidget* parent) : CDialog(kPropertiesDialog, parent) {}

void CAviPropertiesDlg::ShowProperties(const CCasebookDoc& document) {
  const avi::AviFileInfo& info = document.fileInfo;
  // A header without a scale names no rate; it plays at one frame a second.
  recordingRate = std::to_string(info.dwScale != 0 ? info.dwRate / info.dwScale : 1);
  height = std::to_string(info.dwHeight);
  width = std::to_string(info.dwWidth);
  total = std::to_string(info.dwLength);
  DoModal();
}

void CAviPropertiesDlg::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Text(dx, IDC_RECORDING_RATE, recordingRate);
  framework::DDX_Text(dx, IDC_HEIGHT, height);
  framework::DDX_Text(dx, IDC_TOTAL_FRAMES, total);
  framework::DDX_Text(dx, IDC_WIDTH, width);
}

CPlaybackSpeedDlg::CPlaybackSpeedDlg(QWidget* parent) : CDialog(kSpeedDialog, parent) {
  edit_ = GetDlgItemAs<QLineEdit>(IDC_SPEED);
  OnClicked(IDC_OVERRIDE, [this] { OnOverrideClicked(); });
}

// The rate is checked only while it is the user's: with the override off the edit shows the
// recording's own rate, which may well be above what a user may ask for.
void CPlaybackSpeedDlg::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Text(dx, IDC_SPEED, rate);
  if (IsDlgButtonChecked(IDC_OVERRIDE)) framework::DDV_MinMaxInt(dx, rate, kMinRate, kMaxRate);
  framework::DDX_Check(dx, IDC_OVERRIDE, overrideCheck);
}

bool CPlaybackSpeedDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ApplyOverrideRule();
  return true;
}

void CPlaybackSpeedDlg::OnOverrideClicked() {
  // Turning the override on starts from the recording's rate, brought into range.
  if (IsDlgButtonChecked(IDC_OVERRIDE)) {
    bool ok = false;
    const int shown = QString::fromStdString(GetDlgItemText(IDC_SPEED)).trimmed().toInt(&ok);
    if (!ok || shown < kMinRate || shown > kMaxRate) {
      SetDlgItemText(IDC_SPEED,
                     std::to_string(std::clamp(ok ? shown : kMaxRate, kMinRate, kMaxRate)));
    }
  }
  UpdateData(true);  // a refusal keeps the members; the rule puts the controls back
  ApplyOverrideRule();
}

void CPlaybackSpeedDlg::ApplyOverrideRule() {
  if (document == nullptr) return;
  if (overrideCheck != 0) {
    if (edit_ != nullptr) edit_->setEnabled(true);
    document->playbackRate = rate;
    document->overrideRate = true;
  } else {
    if (edit_ != nullptr) edit_->setEnabled(false);
    document->playbackRate = document->RecordedRate();
    document->overrideRate = false;
  }
  rate = document->playbackRate;
  UpdateData(false);
}

}  // namespace casebook
