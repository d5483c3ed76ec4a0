#pragma once

#include <cstdint>

#include "platform/camera/CaptureService.h"
#include "platform/framework/Dialog.h"

namespace watchpost {

// Asks which capture driver to use when there are several. The list position is the driver
// index; OK without a selection gives -1, Cancel leaves the index alone.
class CDriverChoiceDlg : public framework::CDialog {
 public:
  CDriverChoiceDlg(camera::CaptureService& service, std::int32_t& driverIndex,
                   QWidget* parent = nullptr);

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  camera::CaptureService& service_;
  std::int32_t& driverIndex_;
};

// How much disk to set aside for the next run's AVI, 1 to 1000 megabytes.
class CAllocateFileDlg : public framework::CDialog {
 public:
  CAllocateFileDlg(int fileSizeMb, QWidget* parent = nullptr);
  int fileSizeMb;

 protected:
  void DoDataExchange(framework::CDataExchange& dx) override;
};

}  // namespace watchpost
