#include "capture/session/SessionDialogs.h"

#include "platform/framework/DataExchange.h"
#include "resources/WatchpostDialogs.h"

namespace watchpost {

CDriverChoiceDlg::CDriverChoiceDlg(camera::CaptureService& service, std::int32_t& driverIndex,
                                   QWidget* parent)
    : CDialog(res::kDriverChoiceDialog, parent), service_(service), driverIndex_(driverIndex) {}

bool CDriverChoiceDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  for (unsigned i = 0; const auto driver = service_.driverDescription(i); ++i) {
    ListInsertString(res::IDC_DRIVER_LIST, static_cast<int>(i), driver->name);
  }
  return true;
}

void CDriverChoiceDlg::OnOK() {
  driverIndex_ = ListGetCurSel(res::IDC_DRIVER_LIST);
  EndDialog(framework::IDOK);
}

CAllocateFileDlg::CAllocateFileDlg(int fileSizeMbNow, QWidget* parent)
    : CDialog(res::kAllocateFileDialog, parent), fileSizeMb(fileSizeMbNow) {}

void CAllocateFileDlg::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Text(dx, res::IDC_FILE_SIZE, fileSizeMb);
  framework::DDV_MinMaxInt(dx, fileSizeMb, 1, 1000);
}

}  // namespace watchpost
