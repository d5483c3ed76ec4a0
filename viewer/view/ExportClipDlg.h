#pragma once

#include <array>
#include <optional>
#include <string>

#include "platform/framework/Dialog.h"
#include "viewer/export/ClipExporter.h"

namespace casebook {

class CCasebookDoc;
class CasebookShell;

// Export Clip (145): which frames (the whole recording, the burst on the screen, the marks'
// range), how they are timed, and the MP4 to write. A choice without frames is greyed.
class CExportClipDlg : public framework::CDialog {
 public:
  explicit CExportClipDlg(QWidget* parent = nullptr);
  // The choices the document offers, the one first checked, and the file suggested.
  void Prepare(const CCasebookDoc& document);

  // The frames of the choice made; only ever a choice that has them.
  exporter::FrameRange range() const;
  exporter::Scope chosenScope() const { return static_cast<exporter::Scope>(scope); }

  int scope = 0;   // 0 whole, 1 burst, 2 marks
  int timing = 0;  // 0 at the recording's rate, 1 at recorded times
  std::string path;
  std::array<std::optional<exporter::FrameRange>, 3> ranges;
  bool hasTimes = false;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(framework::CDataExchange& dx) override;
  // A name is needed, and a file of that name is replaced only when the user says so.
  void OnOK() override;

 private:
  void OnBrowse();
};

// File > Export Clip...: the dialog, then the export with a progress dialog whose Cancel stops
// it, then what came of it (a message box, and the status bar).
void ExportClipFromMenu(CCasebookDoc& document, CasebookShell& shell);

}  // namespace casebook
