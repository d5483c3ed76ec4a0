#pragma once

#include <functional>
#include <string>

#include "platform/framework/DataExchange.h"
#include "platform/framework/Dialog.h"

namespace framework::testing_form {

inline constexpr int kName = 1001;
inline constexpr int kCount = 1002;
inline constexpr int kRadioA = 1010;
inline constexpr int kRadioB = 1011;
inline constexpr int kRadioC = 1012;
inline constexpr int kRadioX = 1020;
inline constexpr int kRadioY = 1021;
inline constexpr int kCheck = 1030;
inline constexpr int kList = 1040;
inline constexpr int kSorted = 1041;
inline constexpr int kApply = 1050;
inline constexpr int kFrame = 1060;

inline constexpr ControlTemplate kFormControls[] = {
    {ControlKind::LText, IDC_STATIC, "&Name:", 7, 9, 40, 8},
    {ControlKind::Edit, kName, "", 50, 7, 100, 14, ES_AUTOHSCROLL},
    {ControlKind::RText, IDC_STATIC, "Count:", 7, 27, 40, 8},
    {ControlKind::Edit, kCount, "", 50, 25, 40, 14, ES_NUMBER},
    {ControlKind::RadioButton, kRadioA, "A", 7, 45, 40, 10, WS_GROUP | WS_TABSTOP},
    {ControlKind::RadioButton, kRadioB, "B", 7, 57, 40, 10},
    {ControlKind::GroupBox, kFrame, "Other", 55, 41, 50, 32},  // not part of either group
    {ControlKind::RadioButton, kRadioC, "C", 7, 69, 40, 10},
    {ControlKind::RadioButton, kRadioX, "X", 60, 50, 40, 10, WS_GROUP},
    {ControlKind::RadioButton, kRadioY, "Y", 60, 60, 40, 10},
    {ControlKind::CheckBox, kCheck, "Check", 110, 45, 50, 10, WS_GROUP},
    {ControlKind::ListBox, kList, nullptr, 7, 85, 80, 40, WS_VSCROLL},
    {ControlKind::ListBox, kSorted, nullptr, 90, 85, 80, 40, LBS_SORT},
    {ControlKind::PushButton, kApply, "Apply", 173, 41, 50, 14, WS_DISABLED},
    {ControlKind::DefPushButton, IDOK, "OK", 173, 7, 50, 14, WS_GROUP},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 173, 24, 50, 14},
};
inline constexpr DialogTemplate kFormTemplate{200, "Test Form", 0, 0, 230, 131, kFormControls};

// A dialog with one field of each kind the data exchange moves.
class Form : public CDialog {
 public:
  explicit Form(QWidget* parent = nullptr) : CDialog(kFormTemplate, parent) {}

  int count = 10;
  std::string name = "Warden";
  int choice = 0;
  int checked = 0;
  int pick = -1;
  std::function<bool()> onInit;  // replaces the base's OnInitDialog when set

  using CDialog::OnOK;

 protected:
  bool OnInitDialog() override { return onInit ? onInit() : CDialog::OnInitDialog(); }
  void DoDataExchange(CDataExchange& dx) override {
    DDX_Text(dx, kCount, count);
    DDV_MinMaxInt(dx, count, 1, 1000);
    DDX_Text(dx, kName, name);
    DDV_MaxChars(dx, name, 10);
    DDX_Radio(dx, kRadioA, choice);
    DDX_Check(dx, kCheck, checked);
    DDX_LBIndex(dx, kList, pick);
  }
};

}  // namespace framework::testing_form
