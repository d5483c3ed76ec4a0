#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "platform/framework/Dialog.h"

namespace watchpost {

// The File Naming Options dialog. One object lives as long as the program: its texts carry from
// one opening to the next and are what the next run's name is built from. The radio buttons
// act at once, so Cancel does not undo a scheme clicked on the way.
class CFileNamingDlg : public framework::CDialog {
 public:
  using Clock = std::function<std::time_t()>;
  explicit CFileNamingDlg(Clock clock, QWidget* parent = nullptr);

  int namingChoice = 0;        // the scheme while the dialog is open
  int prefixBaseChoice = 0;    // the scheme selected before "Specify a Prefix" was clicked
  std::string customName;      // edit 1057, at most 80 characters
  std::string prefixText;      // edit 1058, at most 10 characters
  std::string exampleCaption;  // static 1065

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(framework::CDataExchange& dx) override;

 private:
  void ShowStandard();
  void ShowDetailed();
  void ShowExample(int radio, const char* prefix, const char* timeFormat);
  void OnCustom();
  void OnPrefix();
  void OnPrefixChanged();
  std::string Now(const char* format) const;

  Clock clock_;
};

}  // namespace watchpost
