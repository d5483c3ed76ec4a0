#pragma once

#include <string>

namespace framework {

class DialogItems;

// One transfer between a dialog's fields and its controls, in the direction
// m_bSaveAndValidate says. The DDX_ and DDV_ calls of DoDataExchange share it; once one has
// failed, the rest do nothing.
class CDataExchange {
 public:
  CDataExchange(DialogItems* dialog, bool saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

  const bool m_bSaveAndValidate;  // controls into fields, validated
  DialogItems* const m_pDlgWnd;   // a dialog or a form view

  // Makes `id` the control the following checks complain about.
  void PrepareCtrl(int id) { lastControl_ = id; }
  int preparedControl() const { return lastControl_; }
  // Shows `message` (exclamation, OK, the application's name as caption), then Fail().
  void Fail(const std::string& message);
  // Ends the transfer: focus to the prepared control, its text selected.
  void Fail();
  bool failed() const { return failed_; }

 private:
  int lastControl_ = 0;
  bool failed_ = false;
};

// Edits. Numbers take surrounding blanks and a sign; anything else, or a number out of range of
// int, is refused with "Please enter an integer.".
void DDX_Text(CDataExchange& dx, int id, int& value);
void DDX_Text(CDataExchange& dx, int id, std::string& value);  // UTF-8
// Check boxes: 0 clear, 1 checked.
void DDX_Check(CDataExchange& dx, int id, int& value);
// A radio group starting at `firstId`: the index of the checked button, -1 for none.
void DDX_Radio(CDataExchange& dx, int firstId, int& value);
// A list box's selection: its index, -1 for none.
void DDX_LBIndex(CDataExchange& dx, int id, int& index);

// Checks on what the DDX call before them read, so a refused value is in its field already; the
// dialog stays open with it. They act only while saving, except that DDV_MaxChars also limits
// typing in the edit when the fields go into the controls.
void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue);
void DDV_MaxChars(CDataExchange& dx, const std::string& value, int maxChars);  // UTF-8 characters

}  // namespace framework
