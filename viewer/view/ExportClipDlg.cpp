#include "viewer/view/ExportClipDlg.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>

#include <filesystem>
#include <system_error>

#include "platform/base/Text.h"
#include "platform/framework/DataExchange.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/Modal.h"
#include "resources/CasebookResources.h"
#include "viewer/document/CasebookDoc.h"
#include "viewer/document/CasebookShell.h"

namespace casebook {

using namespace res;

namespace {

constexpr int kScopeIds[] = {IDC_EXPORT_WHOLE, IDC_EXPORT_BURST, IDC_EXPORT_MARKS};

std::string FramesText(const char* pattern, const exporter::FrameRange& range) {
  return base::FillIn(pattern, {std::to_string(range.first + 1), std::to_string(range.last + 1)});
}

// Beside the recording, named after it.
std::string SuggestedPath(const std::string& videoPath) {
  std::filesystem::path path(videoPath);
  path.replace_extension();
  return path.string() + "-clip.mp4";
}

}  // namespace

CExportClipDlg::CExportClipDlg(QWidget* parent) : CDialog(kExportDialog, parent) {
  OnClicked(IDC_EXPORT_BROWSE, [this] { OnBrowse(); });
}

void CExportClipDlg::Prepare(const CCasebookDoc& document) {
  const std::int32_t frames = document.lastFrame + 1;
  for (int k = 0; k < 3; ++k) {
    ranges[static_cast<std::size_t>(k)] =
        exporter::RangeOf(static_cast<exporter::Scope>(k), frames, document.timeline,
                          document.pictureIndex, document.markIn, document.markOut);
  }
  hasTimes = document.timeline.hasTimes();
  // The narrowest choice there is: what the user marked, else the burst on the screen.
  scope = ranges[2] ? 2 : ranges[1] ? 1 : 0;
  timing = 0;
  path = SuggestedPath(document.videoPath);
}

exporter::FrameRange CExportClipDlg::range() const {
  const std::optional<exporter::FrameRange>& chosen = ranges[static_cast<std::size_t>(scope)];
  return chosen ? *chosen : ranges[0].value_or(exporter::FrameRange{});
}

bool CExportClipDlg::OnInitDialog() {
  const char* const withFrames[] = {text::kExportWhole, text::kExportBurst, text::kExportMarks};
  const char* const without[] = {text::kExportWhole, text::kExportNoBurst, text::kExportNoMarks};
  for (std::size_t k = 0; k < 3; ++k) {
    const int id = kScopeIds[k];
    if (ranges[k]) {
      SetDlgItemText(id, FramesText(withFrames[k], *ranges[k]));
    } else {
      SetDlgItemText(id, without[k]);
    }
    EnableDlgItem(id, ranges[k].has_value());
  }
  if (!hasTimes) SetDlgItemText(IDC_EXPORT_RECORDED, text::kExportNoTimes);
  EnableDlgItem(IDC_EXPORT_RECORDED, hasTimes);
  return CDialog::OnInitDialog();
}

void CExportClipDlg::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Radio(dx, IDC_EXPORT_WHOLE, scope);
  framework::DDX_Radio(dx, IDC_EXPORT_AT_RATE, timing);
  framework::DDX_Text(dx, IDC_EXPORT_FILE, path);
}

void CExportClipDlg::OnOK() {
  if (!UpdateData(true)) return;
  // A greyed choice cannot be checked; should one be, it falls back to the whole recording.
  if (scope < 0 || scope > 2 || !ranges[static_cast<std::size_t>(scope)]) scope = 0;
  if (!hasTimes) timing = 0;
  const QString trimmed = QString::fromStdString(path).trimmed();
  if (trimmed.isEmpty()) {
    framework::AppMessageBox(this, text::kExportNoFile,
                             framework::MB_OK | framework::MB_ICONEXCLAMATION);
    GotoDlgCtrl(IDC_EXPORT_FILE);
    return;
  }
  path = QFileInfo(trimmed).absoluteFilePath().toStdString();
  std::error_code error;
  if (std::filesystem::exists(path, error) &&
      framework::AppMessageBox(this, base::FillIn(text::kExportReplace, {path}),
                               framework::MB_YESNO | framework::MB_ICONQUESTION) !=
          framework::IDYES) {
    GotoDlgCtrl(IDC_EXPORT_FILE);
    return;
  }
  EndDialog(framework::IDOK);
}

void CExportClipDlg::OnBrowse() {
  QFileDialog chooser(this, text::kExportSaveCaption);
  chooser.setAcceptMode(QFileDialog::AcceptSave);
  chooser.setFileMode(QFileDialog::AnyFile);
  chooser.setNameFilter(text::kExportFilter);
  chooser.setDefaultSuffix("mp4");
  // Replacing is asked once, by this dialog's OK.
  chooser.setOption(QFileDialog::DontConfirmOverwrite);
  chooser.selectFile(QString::fromStdString(GetDlgItemText(IDC_EXPORT_FILE)));
  if (framework::RunModal(chooser) != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
    return;
  }
  SetDlgItemText(IDC_EXPORT_FILE, chooser.selectedFiles().first().toStdString());
}

void ExportClipFromMenu(CCasebookDoc& document, CasebookShell& shell) {
  if (!document.recordingOpen) return;
  // The picture stays where it is while the clip is written.
  document.playing = false;
  shell.killPlayTimer();
  QWidget* owner = shell.mainWindow();
  CExportClipDlg dialog(owner);
  dialog.Prepare(document);
  if (dialog.DoModal() != framework::IDOK) return;

  exporter::ExportRequest request;
  request.videoPath = document.videoPath;
  request.outputPath = dialog.path;
  request.range = dialog.range();
  request.recordedTimes = dialog.timing == 1;
  request.entries = &document.entries;
  request.timeline = &document.timeline;

  const int total = request.range.count();
  QProgressDialog progress(owner);
  progress.setWindowTitle(QString::fromUtf8(kExportDialog.caption));
  progress.setCancelButtonText(QStringLiteral("Cancel"));
  progress.setRange(0, total);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setMinimumWidth(420);
  const std::string name = QFileInfo(QString::fromStdString(dialog.path)).fileName().toStdString();
  const auto label = [&](int done) {
    return QString::fromStdString(
        base::FillIn(text::kExportProgress, {std::to_string(done), std::to_string(total), name}));
  };
  progress.setLabelText(label(0));
  progress.show();
  QCoreApplication::processEvents();
  const exporter::ExportResult result =
      exporter::ExportClip(request, [&](std::int32_t done, std::int32_t) {
        progress.setValue(done);
        progress.setLabelText(label(done));
        // Cancel is clicked in here.
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
      });
  progress.hide();

  if (result.ok) {
    const std::string done =
        base::FillIn(text::kExportDone, {std::to_string(result.framesWritten), request.outputPath});
    shell.setStatusText(done);
    framework::AppMessageBox(owner, done, framework::MB_OK | framework::MB_ICONINFORMATION);
  } else if (result.cancelled) {
    shell.setStatusText(text::kExportCancelled);
  } else {
    const std::string failed = base::FillIn(text::kExportFailed, {result.error});
    shell.setStatusText(failed);
    framework::AppMessageBox(owner, failed, framework::MB_OK | framework::MB_ICONERROR);
  }
}

}  // namespace casebook
