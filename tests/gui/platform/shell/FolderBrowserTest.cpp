#include "platform/shell/FolderBrowser.h"

#include <gtest/gtest.h>

#include <QFileDialog>

#include <filesystem>

#include "tests/support/ModalScript.h"

namespace shell {
namespace {

TEST(FolderBrowserTest, GivesTheChosenFolderOrNothingOnCancel) {
  const std::filesystem::path start = std::filesystem::temp_directory_path();
  const std::filesystem::path yard = start / "corvane-browse-yard";
  std::filesystem::create_directories(yard);

  testing_support::ModalScript script;
  script
      .expectDialog<QFileDialog>([&](QFileDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Select a new Target Folder");
        EXPECT_EQ(d.directory().absolutePath().toStdString(), start.string());
        EXPECT_EQ(d.fileMode(), QFileDialog::Directory);
        d.selectFile(QString::fromStdString(yard.string()));
        QMetaObject::invokeMethod(&d, "accept");  // as the Choose button does
      })
      .expectDialog<QFileDialog>(QDialog::Rejected);
  const std::string title = "Select a new Target Folder\nCurrently set to " + start.string();
  EXPECT_EQ(BrowseForFolder(nullptr, title, start.string()), yard.string());
  EXPECT_EQ(BrowseForFolder(nullptr, title, start.string()), std::nullopt);
  std::filesystem::remove_all(yard);
}

}  // namespace
}  // namespace shell
