#include "platform/framework/DataExchange.h"

#include <QGuiApplication>
#include <QString>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/framework/DialogItems.h"
#include "platform/framework/MessageBox.h"

namespace framework {
namespace {

std::optional<int> ParseInt(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  // from_chars takes '-' but not '+', and "+-5" must stay refused.
  if (text.size() > 1 && text.front() == '+' && text[1] >= '0' && text[1] <= '9') {
    text.remove_prefix(1);
  }
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::size_t Utf8Chars(const std::string& text) {
  std::size_t chars = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;  // not a continuation byte
  }
  return chars;
}

}  // namespace

void CDataExchange::Fail(const std::string& message) {
  AppMessageBox(&m_pDlgWnd->hostWidget(), message, MB_OK | MB_ICONEXCLAMATION);
  Fail();
}

void CDataExchange::Fail() {
  failed_ = true;
  if (lastControl_ != 0) m_pDlgWnd->GotoDlgCtrl(lastControl_);
}

void DDX_Text(CDataExchange& dx, int id, int& value) {
  if (dx.failed()) return;
  dx.PrepareCtrl(id);
  if (!dx.m_bSaveAndValidate) {
    dx.m_pDlgWnd->SetDlgItemText(id, std::to_string(value));
    return;
  }
  const std::optional<int> number = ParseInt(dx.m_pDlgWnd->GetDlgItemText(id));
  if (!number) {
    dx.Fail("Please enter an integer.");
    return;
  }
  value = *number;
}

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
  if (dx.failed()) return;
  dx.PrepareCtrl(id);
  if (dx.m_bSaveAndValidate) {
    value = dx.m_pDlgWnd->GetDlgItemText(id);
  } else {
    dx.m_pDlgWnd->SetDlgItemText(id, value);
  }
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
  if (dx.failed()) return;
  dx.PrepareCtrl(id);
  if (dx.m_bSaveAndValidate) {
    value = dx.m_pDlgWnd->IsDlgButtonChecked(id) ? 1 : 0;
  } else {
    dx.m_pDlgWnd->CheckDlgButton(id, value != 0);
  }
}

void DDX_Radio(CDataExchange& dx, int firstId, int& value) {
  if (dx.failed()) return;
  dx.PrepareCtrl(firstId);
  const std::vector<int> ids = dx.m_pDlgWnd->RadioGroupIds(firstId);
  if (dx.m_bSaveAndValidate) {
    value = -1;
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (dx.m_pDlgWnd->IsDlgButtonChecked(ids[i])) value = static_cast<int>(i);
    }
    return;
  }
  for (std::size_t i = 0; i < ids.size(); ++i) {
    dx.m_pDlgWnd->CheckDlgButton(ids[i], static_cast<int>(i) == value);
  }
}

void DDX_LBIndex(CDataExchange& dx, int id, int& index) {
  if (dx.failed()) return;
  dx.PrepareCtrl(id);
  if (dx.m_bSaveAndValidate) {
    index = dx.m_pDlgWnd->ListGetCurSel(id);
  } else {
    dx.m_pDlgWnd->ListSetCurSel(id, index);
  }
}

void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue) {
  if (dx.failed() || !dx.m_bSaveAndValidate) return;
  if (value < minValue || value > maxValue) {
    dx.Fail(QString::fromUtf8("Please enter an integer between %1 and %2.")
                .arg(minValue)
                .arg(maxValue)
                .toStdString());
  }
}

void DDV_MaxChars(CDataExchange& dx, const std::string& value, int maxChars) {
  if (dx.failed()) return;
  if (!dx.m_bSaveAndValidate) {
    dx.m_pDlgWnd->LimitText(dx.preparedControl(), maxChars);
    return;
  }
  if (Utf8Chars(value) > static_cast<std::size_t>(std::max(maxChars, 0))) {
    dx.Fail(
        QString::fromUtf8("Please enter no more than %1 characters.").arg(maxChars).toStdString());
  }
}

}  // namespace framework
