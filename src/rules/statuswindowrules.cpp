#include "rules/statuswindowrules.h"

#include <algorithm>

#include "link/targetcontrol.h"
#include "model/iniproperty.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/ui.h"
#include "rules/valuecolumnwidth.h"

namespace rules {

RefreshReader TargetRefreshReader(TTargetControl& target) {
  return [&target](std::map<int, int>& values) { return target.ReadRefreshRegisters(values); };
}

std::string FormatStatusValue(int value, int mask, bool hex) {
  if (value == REG_VALUE_UNKNOWN) return "---";
  const int field = ExtractByMask(value & mask, mask);
  return hex ? platform::Format("0x%X", static_cast<unsigned>(field)) : platform::Format("%d", field);
}

bool StatusWindowState::SetStatusPolling(bool on) {
  if (!on) {
    polling_ = false;
    return false;
  }
  if (polling_) return false;
  polling_ = true;
  return IntervalPolls();
}

void StatusWindowState::BuildStatusList() {
  items_.clear();
  values_.clear();
  vund_.GetRefreshList(items_);
  for (const RegSetting& item : items_) values_[item.ID] = REG_VALUE_UNKNOWN;
  built_ = true;
}

std::vector<std::string> StatusWindowState::RowNames() const {
  std::vector<std::string> names;
  for (size_t i = 0; i <= items_.size(); ++i) names.push_back(RowName(i));
  return names;
}

std::vector<std::string> StatusWindowState::ValueTexts(bool hex) const {
  std::vector<std::string> texts;
  for (size_t i = 0; i < items_.size(); ++i) texts.push_back(ValueText(i, hex));
  return texts;
}

std::string StatusWindowState::RowName(size_t item) const {
  return item < items_.size() ? items_[item].Name : std::string();
}

std::string StatusWindowState::ValueText(size_t item, bool hex) const {
  if (item >= items_.size()) return std::string();
  const RegSetting& setting = items_[item];
  const auto it = values_.find(setting.ID);
  return FormatStatusValue(it == values_.end() ? REG_VALUE_UNKNOWN : it->second, setting.Mask, hex);
}

std::vector<uint32_t> StatusWindowState::LargestFields() const {
  std::vector<uint32_t> largest;
  for (const RegSetting& item : items_) largest.push_back(LargestRegisterField(static_cast<uint32_t>(item.Mask)));
  return largest;
}

StatusWindowState::Tick StatusWindowState::StatusTimerTimer(const RefreshReader& read, bool busy) {
  Tick tick;
  if (busy) {
    // Another target operation is waiting for its reply: come back later.
    tick.rearm = polling_ && IntervalPolls();
    return tick;
  }
  if (!built_) {
    BuildStatusList();
    tick.rebuilt = true;
  }
  if (values_.empty()) {
    polling_ = false;
    return tick;
  }
  if (polling_) {
    const bool ok = read && read(values_);
    interval_ = ok ? vund_.GetRefreshTime() : kFailedPollIntervalMs;
    tick.shown = true;
  }
  // An interval of 0 or less (no vund.dat) polls no more.
  tick.rearm = polling_ && IntervalPolls();
  return tick;
}

int StatusWindowState::ItemIndex(int row) const {
  // The grid shows rows past the last item (30 before the first poll).
  std::vector<RegSetting> list;
  vund_.GetRefreshList(list);
  return std::clamp(row - 1, 0, static_cast<int>(list.size()));
}

bool StatusWindowState::Paste(const ST_REGISTER& copyBuffer, int row) {
  if (copyBuffer.ID == 0) return false;
  RegSetting item;
  item.Name = copyBuffer.LongName;
  item.ID = static_cast<int>(copyBuffer.ID);
  item.Mask = static_cast<int>(copyBuffer.Mask);
  vund_.InsertRefreshEntry(item, ItemIndex(row));
  BuildStatusList();
  return true;
}

bool StatusWindowState::Delete(int row, const std::string& currentCellText) {
  const int answer =
      ui_.ShowMessageBoxJE("確認", "削除してもよろしいですか？", "Confirmation", "Do you delete ?", 0x24);
  if (answer != platform::kIdYes) return false;
  if (currentCellText.empty()) return false;
  std::vector<RegSetting> list;
  vund_.GetRefreshList(list);
  const int index = row - 1;
  if (index < 0 || index >= static_cast<int>(list.size())) return false;
  vund_.EraseRefreshEntry(index);
  BuildStatusList();
  return true;
}

bool StatusWindowState::AddOrEdit(int tag, int row, const ItemEditor& edit) {
  RegSetting item = tag == 0 ? RegSetting() : vund_.GetRefreshEntry(row - 1);
  std::vector<STEditItem> rows(3);
  rows[0].Name = "Name";
  rows[0].InputMethod = imDirectString;
  rows[0].Value = item.Name;
  rows[1].Name = "ID";
  rows[1].InputMethod = imRangeUnsigned;
  rows[1].Range = "0;0xFFFFFFFF";
  rows[1].Value = platform::Format("0x%X", static_cast<unsigned>(item.ID));
  rows[2].Name = "Mask";
  rows[2].InputMethod = imRangeUnsigned;
  rows[2].Range = "0;0xFFFF";
  rows[2].Value = platform::Format("0x%X", static_cast<unsigned>(item.Mask));
  if (!edit || !edit(rows)) return false;

  item.Name = rows[0].Value;
  item.ID = platform::StrToInt(rows[1].Value);
  item.Mask = platform::StrToInt(rows[2].Value);
  if (tag == 0)
    vund_.InsertRefreshEntry(item, ItemIndex(row));
  else
    vund_.SetRefreshEntry(item, std::max(0, row - 1));
  BuildStatusList();
  return true;
}

int StatusWindowState::KeptRow(int row, bool afterDelete) const {
  const int items = static_cast<int>(items_.size());
  // The rows are the items and an empty one after them, where a paste appends.
  const int last = afterDelete ? std::max(1, items) : items + 1;
  return std::clamp(row, 1, last);
}

}  // namespace rules
