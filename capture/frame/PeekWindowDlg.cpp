#include "capture/frame/PeekWindowDlg.h"

#include <QLineEdit>

#include "platform/framework/DataExchange.h"
#include "platform/framework/StandardIds.h"
#include "resources/WatchpostDialogs.h"

namespace watchpost {
namespace {

using namespace res;

struct RadioValue {
  int id;
  std::int32_t value;
};
constexpr RadioValue kCornerRadios[] = {
    {IDC_TOP_LEFT, PeekTopLeft},
    {IDC_BOTTOM_LEFT, PeekBottomLeft},
    {IDC_TOP_RIGHT, PeekTopRight},
    {IDC_BOTTOM_RIGHT, PeekBottomRight},
};
constexpr RadioValue kSizeRadios[] = {
    {IDC_SIZE_HIDDEN, PeekHidden}, {IDC_SIZE_SMALL, PeekSmall},   {IDC_SIZE_MEDIUM, PeekMedium},
    {IDC_SIZE_LARGE, PeekLarge},   {IDC_SIZE_CUSTOM, PeekCustom},
};

}  // namespace

CPeekWindowDlg::CPeekWindowDlg(PeekValues& values, QWidget* parent)
    : CDialog(res::kPeekWindowDialog, parent), values_(values) {
  widthEdit = GetDlgItemAs<QLineEdit>(IDC_PEEK_WIDTH);
  heightEdit = GetDlgItemAs<QLineEdit>(IDC_PEEK_HEIGHT);
  for (const RadioValue& r : kCornerRadios) {
    OnClicked(r.id, [this, corner = r.value] { SetPosition(corner); });
  }
  for (const RadioValue& r : kSizeRadios) {
    if (r.value == PeekCustom) {
      OnClicked(r.id, [this] { OnCustom(); });
    } else {
      OnClicked(r.id, [this, size = r.value] { SetFixedSize(size); });
    }
  }
}

// Height before width: the first value refused is the one the user is sent back to.
void CPeekWindowDlg::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Text(dx, IDC_PEEK_HEIGHT, customHeight);
  framework::DDV_MinMaxInt(dx, customHeight, 1, kMaxHeight);
  framework::DDX_Text(dx, IDC_PEEK_WIDTH, customWidth);
  framework::DDV_MinMaxInt(dx, customWidth, 1, kMaxWidth);
}

bool CPeekWindowDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // Values outside the tables, from a hand-edited profile, leave their group unchecked.
  for (const RadioValue& r : kCornerRadios) {
    if (r.value == values_.peekPosition) CheckDlgButton(r.id, true);
  }
  for (const RadioValue& r : kSizeRadios) {
    if (r.value == values_.peekSize) CheckDlgButton(r.id, true);
  }
  EnableEdits(values_.peekSize == PeekCustom);
  return true;
}

void CPeekWindowDlg::SetPosition(std::int32_t corner) { values_.peekPosition = corner; }

void CPeekWindowDlg::SetFixedSize(std::int32_t size) {
  values_.peekSize = size;
  EnableEdits(false);
}

// Takes the members, not what is typed: typed text only counts once OK has validated it.
void CPeekWindowDlg::OnCustom() {
  values_.peekSize = PeekCustom;
  EnableEdits(true);
  values_.customWidth = customWidth;
  values_.customHeight = customHeight;
}

void CPeekWindowDlg::EnableEdits(bool enable) {
  EnableDlgItem(IDC_PEEK_WIDTH, enable);
  EnableDlgItem(IDC_PEEK_HEIGHT, enable);
}

int RunPeekWindowSettings(PeekValues& values, QWidget* parent) {
  CPeekWindowDlg dialog(values, parent);
  dialog.customWidth = values.customWidth;
  dialog.customHeight = values.customHeight;
  const std::int32_t position = values.peekPosition;
  const int result = dialog.DoModal();
  if (result == framework::IDOK) {
    values.customWidth = dialog.customWidth;
    values.customHeight = dialog.customHeight;
  } else {
    values.peekPosition = position;
  }
  return result;
}

}  // namespace watchpost
