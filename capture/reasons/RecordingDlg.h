#pragma once

#include "capture/reasons/RecordingSettings.h"
#include "platform/framework/Dialog.h"

namespace watchpost {

// Configuration > Recording: how many samples from before a hit go into the recording, and
// whether the file of reasons is written. OK with a count outside 0 .. 10 is refused with the
// standard range prompt.
class CRecordingDlg : public framework::CDialog {
 public:
  explicit CRecordingDlg(const RecordingSettings& current, QWidget* parent = nullptr);
  int preEventFrames;
  int writeReasons;

 protected:
  void DoDataExchange(framework::CDataExchange& dx) override;
};

}  // namespace watchpost
