#include "capture/reasons/RecordingDlg.h"

#include "platform/framework/DataExchange.h"
#include "resources/WatchpostRecording.h"

namespace watchpost {

CRecordingDlg::CRecordingDlg(const RecordingSettings& current, QWidget* parent)
    : CDialog(res::kRecordingDialog, parent),
      preEventFrames(current.PreEventFrames),
      writeReasons(current.WriteReasons) {}

void CRecordingDlg::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Text(dx, res::IDC_PRE_EVENT_FRAMES, preEventFrames);
  framework::DDV_MinMaxInt(dx, preEventFrames, 0, kMaxPreEventFrames);
  framework::DDX_Check(dx, res::IDC_WRITE_REASONS, writeReasons);
}

}  // namespace watchpost
