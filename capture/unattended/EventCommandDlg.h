#pragma once

#include <string>

#include "platform/framework/Dialog.h"

namespace watchpost {

// The command line run on movement; empty for none.
class CEventCommandDlg : public framework::CDialog {
 public:
  CEventCommandDlg(std::string command, QWidget* parent = nullptr);
  std::string command;

 protected:
  void DoDataExchange(framework::CDataExchange& dx) override;
};

}  // namespace watchpost
