#pragma once

#include <cstdint>

#include "capture/frame/PeekWindow.h"
#include "platform/framework/Dialog.h"

class QLineEdit;

namespace watchpost {

// The Peek Window dialog (135). Its radio buttons change the process-wide peek values at once;
// the custom size is only taken on OK (see RunPeekWindowSettings), except that Custom copies the
// members into it when clicked. Created on the stack for each use.
class CPeekWindowDlg : public framework::CDialog {
 public:
  explicit CPeekWindowDlg(PeekValues& values, QWidget* parent = nullptr);

  std::int32_t customWidth = 0;   // edit 1055, 1 to 240
  std::int32_t customHeight = 0;  // edit 1056, 1 to 180
  QLineEdit* widthEdit = nullptr;
  QLineEdit* heightEdit = nullptr;

  static constexpr int kMaxWidth = 240;
  static constexpr int kMaxHeight = 180;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(framework::CDataExchange& dx) override;

 private:
  void SetPosition(std::int32_t corner);
  void SetFixedSize(std::int32_t size);
  void OnCustom();
  void EnableEdits(bool enable);

  PeekValues& values_;
};

// The Peek Window command: the dialog on `values`. OK stores the custom size; Cancel puts the
// corner back but keeps any size clicked meanwhile. Returns what the dialog ended with.
int RunPeekWindowSettings(PeekValues& values, QWidget* parent = nullptr);

}  // namespace watchpost
