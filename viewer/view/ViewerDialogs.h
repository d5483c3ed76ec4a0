#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/Dialog.h"

class QLineEdit;

namespace casebook {

class CCasebookDoc;

// AVI Properties (130): what the recording's headers say, shown modally. One object lives with
// the main frame and is reused for every showing.
class CAviPropertiesDlg : public framework::CDialog {
 public:
  explicit CAviPropertiesDlg(QWidget* parent = nullptr);
  void ShowProperties(const CCasebookDoc& document);

  std::string recordingRate, height, total, width;

 protected:
  void DoDataExchange(framework::CDataExchange& dx) override;
};

// Playback Speed (131): the rate recordings play at, and whether it overrides each recording's
// own. The check box acts on the document at once.
class CPlaybackSpeedDlg : public framework::CDialog {
 public:
  explicit CPlaybackSpeedDlg(QWidget* parent = nullptr);

  std::int32_t rate = 0;
  int overrideCheck = 0;
  CCasebookDoc* document = nullptr;  // set before every showing

  static constexpr int kMinRate = 1;
  static constexpr int kMaxRate = 15;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(framework::CDataExchange& dx) override;

 private:
  void OnOverrideClicked();
  void ApplyOverrideRule();

  QLineEdit* edit_ = nullptr;
};

}  // namespace casebook
