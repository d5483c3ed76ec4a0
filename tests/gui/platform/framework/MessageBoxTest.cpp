// Message boxes read and answered through the modal seam.
#include "platform/framework/MessageBox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTest>
#include <QWidget>

#include <vector>

#include "tests/support/ModalScript.h"

namespace framework {
namespace {

using testing_support::ModalScript;

struct BoxRow {
  unsigned type;
  std::vector<int> buttons;
  int defaultButton;
  unsigned icon;
  int onEscape;
};

TEST(MessageBoxes, ShowTheirButtonsIconAndDefaultAndReturnTheButtonPressed) {
  const BoxRow rows[] = {
      {MB_OK, {IDOK}, IDOK, 0, IDOK},
      {MB_OKCANCEL | MB_ICONINFORMATION, {IDOK, IDCANCEL}, IDOK, MB_ICONINFORMATION, IDCANCEL},
      {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL, 0, IDCANCEL},
      {MB_YESNO | MB_ICONQUESTION, {IDYES, IDNO}, IDYES, MB_ICONQUESTION, IDNO},
      {MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, {IDYES, IDNO}, IDNO, MB_ICONEXCLAMATION, IDNO},
      {MB_YESNOCANCEL | MB_ICONSTOP | MB_DEFBUTTON3,
       {IDYES, IDNO, IDCANCEL},
       IDCANCEL,
       MB_ICONERROR,
       IDCANCEL},
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDRETRY, 0, IDCANCEL},
  };
  QWidget owner;
  for (const BoxRow& row : rows) {
    SCOPED_TRACE(row.type);
    ModalScript script;
    // Every button in turn, pressed as the user would.
    for (const int id : row.buttons) {
      script.expectMessage("Go on?", [id](QDialog& d) {
        auto& box = static_cast<QMessageBox&>(d);
        const auto standard = id == IDOK       ? QMessageBox::Ok
                              : id == IDCANCEL ? QMessageBox::Cancel
                              : id == IDYES    ? QMessageBox::Yes
                              : id == IDNO     ? QMessageBox::No
                                               : QMessageBox::Retry;
        QTest::mouseClick(box.button(standard), Qt::LeftButton);
      });
    }
    script.expectMessage("Go on?", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    for (const int id : row.buttons)
      EXPECT_EQ(MessageBox(&owner, "Go on?", "Asking", row.type), id);
    EXPECT_EQ(MessageBox(&owner, "Go on?", "Asking", row.type), row.onEscape);

    ASSERT_FALSE(script.seen().empty());
    const testing_support::SeenDialog& seen = script.seen().front();
    EXPECT_EQ(seen.caption, "Asking");
    EXPECT_EQ(seen.buttons, row.buttons);
    EXPECT_EQ(seen.defaultButton, row.defaultButton);
    EXPECT_EQ(seen.icon, row.icon);
  }
}

TEST(MessageBoxes, AScriptAnswersWithTheIdsTheProgramUses) {
  ModalScript script;
  script.expectMessage("Overwrite?", IDNO).expectMessage("Overwrite?", IDYES);
  EXPECT_EQ(MessageBox(nullptr, "Overwrite?", "Files", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBox(nullptr, "Overwrite?", "Files", MB_YESNO), IDYES);
}

TEST(MessageBoxes, TheTextIsPlainTheOwnerOwnsItAndTheAppNamesIt) {
  const QString previous = QGuiApplication::applicationDisplayName();
  QGuiApplication::setApplicationDisplayName("Casebook");
  QWidget owner;
  QWidget* parent = nullptr;
  ModalScript script;
  script.expectMessage("<b>C:\\cam<1>.avi</b> & more", [&](QDialog& d) {
    parent = d.parentWidget();
    EXPECT_EQ(static_cast<QMessageBox&>(d).textFormat(), Qt::PlainText);
    return IDOK;
  });
  EXPECT_EQ(AppMessageBox(&owner, "<b>C:\\cam<1>.avi</b> & more"), IDOK);
  QGuiApplication::setApplicationDisplayName(previous);

  EXPECT_EQ(parent, &owner);
  ASSERT_EQ(script.seen().size(), 1u);
  EXPECT_EQ(script.seen()[0].caption, "Casebook");
}

}  // namespace
}  // namespace framework
