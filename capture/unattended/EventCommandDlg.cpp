#include "capture/unattended/EventCommandDlg.h"

#include "platform/framework/DataExchange.h"
#include "resources/WatchpostDialogs.h"

namespace watchpost {

CEventCommandDlg::CEventCommandDlg(std::string commandNow, QWidget* parent)
    : CDialog(res::kEventCommandDialog, parent), command(std::move(commandNow)) {}

void CEventCommandDlg::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Text(dx, res::IDC_EVENT_COMMAND, command);
}

}  // namespace watchpost
