#include "platform/shell/FolderBrowser.h"

#include <QDialog>
#include <QFileDialog>
#include <QString>

#include "platform/framework/Modal.h"

namespace shell {

std::optional<std::string> BrowseForFolder(QWidget* owner, const std::string& title,
                                           const std::string& current) {
  // The prompt may run over two lines; a window title takes the first.
  const QString prompt = QString::fromStdString(title);
  QFileDialog dialog(owner, prompt.section('\n', 0, 0), QString::fromStdString(current));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setLabelText(QFileDialog::LookIn, prompt.section('\n', 1));
  if (framework::RunModal(dialog) != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first().toStdString();
}

}  // namespace shell
