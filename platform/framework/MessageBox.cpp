#include "platform/framework/MessageBox.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/framework/Modal.h"

namespace framework {
namespace {

constexpr std::array<std::pair<int, QMessageBox::StandardButton>, 5> kButtons{{
    {IDOK, QMessageBox::Ok},
    {IDCANCEL, QMessageBox::Cancel},
    {IDRETRY, QMessageBox::Retry},
    {IDYES, QMessageBox::Yes},
    {IDNO, QMessageBox::No},
}};

int IdOf(QMessageBox::StandardButton button) {
  for (const auto& [id, standard] : kButtons) {
    if (standard == button) return id;
  }
  return 0;
}

QMessageBox::StandardButton StandardOf(int id) {
  for (const auto& [known, standard] : kButtons) {
    if (known == id) return standard;
  }
  return QMessageBox::NoButton;
}

// The buttons in the order they are numbered for MB_DEFBUTTONn.
std::vector<int> ButtonsOf(unsigned type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

QMessageBox::Icon IconOf(unsigned type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

unsigned TypeIconOf(QMessageBox::Icon icon) {
  switch (icon) {
    case QMessageBox::Critical: return MB_ICONSTOP;
    case QMessageBox::Question: return MB_ICONQUESTION;
    case QMessageBox::Warning: return MB_ICONEXCLAMATION;
    case QMessageBox::Information: return MB_ICONINFORMATION;
    default: return 0;
  }
}

bool Has(const std::vector<int>& ids, int id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// Cancel where there is one; otherwise the box's "no" answer: No in a Yes/No box, OK alone.
int EscapeOf(const std::vector<int>& ids) {
  if (Has(ids, IDCANCEL)) return IDCANCEL;
  if (Has(ids, IDNO)) return IDNO;
  return ids.front();
}

}  // namespace

int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned type) {
  const std::vector<int> ids = ButtonsOf(type);
  QMessageBox box(IconOf(type), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::NoButton, owner);
  box.setTextFormat(Qt::PlainText);  // a file name with '<' in it is still just text
  for (int id : ids) box.addButton(StandardOf(id));
  const auto defaultIndex = static_cast<std::size_t>((type & MB_DEFMASK) >> 8);
  box.setDefaultButton(StandardOf(ids[defaultIndex < ids.size() ? defaultIndex : 0]));
  box.setEscapeButton(StandardOf(EscapeOf(ids)));

  // The real box ends with the standard button's value; a hook may answer with our own ids, or
  // with something else when it merely closed the box, which counts as Escape.
  const int result = RunModal(box);
  if (Has(ids, result)) return result;
  if (const int id = IdOf(static_cast<QMessageBox::StandardButton>(result)); Has(ids, id)) {
    return id;
  }
  if (box.clickedButton() != nullptr) {
    if (const int id = IdOf(box.standardButton(box.clickedButton())); Has(ids, id)) return id;
  }
  return EscapeOf(ids);
}

int AppMessageBox(QWidget* owner, const std::string& text, unsigned type) {
  return MessageBox(owner, text, QGuiApplication::applicationDisplayName().toStdString(), type);
}

std::optional<MessageBoxInfo> DescribeMessageBox(const QDialog& dialog) {
  const auto* box = qobject_cast<const QMessageBox*>(&dialog);
  if (box == nullptr) return std::nullopt;
  MessageBoxInfo info;
  info.text = box->text().toStdString();
  info.caption = box->windowTitle().toStdString();
  info.icon = TypeIconOf(box->icon());
  for (QAbstractButton* button : box->buttons()) {
    if (const int id = IdOf(box->standardButton(button)); id != 0) info.buttons.push_back(id);
  }
  // Qt lists them by role; every button set reads OK, Yes, No, Retry, Cancel left to right.
  constexpr std::array<int, 5> kShownOrder{IDOK, IDYES, IDNO, IDRETRY, IDCANCEL};
  const auto rank = [&](int id) { return std::find(kShownOrder.begin(), kShownOrder.end(), id); };
  std::sort(info.buttons.begin(), info.buttons.end(),
            [&](int a, int b) { return rank(a) < rank(b); });
  if (QPushButton* def = box->defaultButton(); def != nullptr) {
    info.defaultButton = IdOf(box->standardButton(def));
  }
  return info;
}

}  // namespace framework
