// The status window's rules without a widget: the polled status items and
// their last values, the poll step of the status timer, the value texts, and
// the edits of the status item list.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/iniproperty.h"
#include "model/registers.h"
#include "model/vunddata.h"

class TTargetControl;
namespace platform {
class Ui;
}

namespace rules {

// Reads the registers of the map's IDs into the map; false when it failed.
using RefreshReader = std::function<bool(std::map<int, int>& values)>;
// The target-control object's ReadRefreshRegisters.
RefreshReader TargetRefreshReader(TTargetControl& target);

// The parameter editor on the rows of one status item; true when confirmed.
using ItemEditor = std::function<bool(std::vector<STEditItem>& rows)>;

// "---" for a value not read, else the item's field in "0x%X" or "%d".
std::string FormatStatusValue(int value, int mask, bool hex);

class StatusWindowState {
 public:
  static constexpr int kFailedPollIntervalMs = 10000;
  static constexpr int kDesignRows = 30;  // data rows of the grid before the first poll

  // The status items are vund.dat's; ui asks before a delete.
  StatusWindowState(VundData& vund, platform::Ui& ui) : vund_(vund), ui_(ui) {}

  // ---- Polling ----
  // Off clears the flag only (the next tick ends polling). On sets it; true
  // when the timer is to be started now (the flag was clear and the interval
  // polls at all).
  bool SetStatusPolling(bool on);
  bool Polling() const { return polling_; }
  // The status timer's interval. 0 or less never polls.
  void SetInterval(int ms) { interval_ = ms; }
  int Interval() const { return interval_; }
  bool IntervalPolls() const { return interval_ > 0; }

  // ---- Items ----
  // A fresh copy of the description file's status items, every value not read.
  void BuildStatusList();
  bool Built() const { return built_; }
  const std::vector<RegSetting>& Items() const { return items_; }
  // The names of the grid's data rows: one per item and an empty last row.
  std::vector<std::string> RowNames() const;
  // The value texts of the items, in item order.
  std::vector<std::string> ValueTexts(bool hex) const;
  // One item's name and value text; empty past the last item.
  std::string RowName(size_t item) const;
  std::string ValueText(size_t item, bool hex) const;
  // The largest value each item's field can hold.
  std::vector<uint32_t> LargestFields() const;

  // ---- One tick of the status timer ----
  struct Tick {
    bool rebuilt = false;  // the list was copied: rows to be built again
    bool shown = false;    // values were read: to be shown
    bool rearm = false;    // start the timer again with Interval()
  };
  // busy: another target operation runs; the tick is put off.
  Tick StatusTimerTimer(const RefreshReader& read, bool busy = false);

  // ---- Edits of the item list (row is the grid's data row, from 1) ----
  // Each returns true when the list changed; the list and its rows are then
  // built again at once (so a second edit hits the item it shows).
  bool Paste(const ST_REGISTER& copyBuffer, int row);
  // Asks first; an empty current cell deletes nothing.
  bool Delete(int row, const std::string& currentCellText);
  // tag 0 adds before the row, tag 1 edits the row's item (past the last
  // item it appends). The parameter editor asks for the name, ID and mask.
  bool AddOrEdit(int tag, int row, const ItemEditor& edit);
  // The row that stays current once the rows are built again: the same row,
  // within the rows there are now. After a delete it stays on an item (the
  // one that moved up into it, or the new last one).
  int KeptRow(int row, bool afterDelete) const;

 private:
  int ItemIndex(int row) const;

  VundData& vund_;
  platform::Ui& ui_;
  std::vector<RegSetting> items_;
  std::map<int, int> values_;
  bool built_ = false;
  bool polling_ = false;
  int interval_ = 1000;
};

}  // namespace rules
