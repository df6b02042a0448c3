// The table window without a display: which user table is shown, the entries
// read from the target, the texts of the grid, and the read-modify-write of
// one field.
//
// An entry is a row of bytes at register ID StartID + entry. A field is one
// byte or a big-endian word at DataPos, and its value is the bits under Mask
// shifted down to bit 0: shown, range-checked and written on that one scale.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/tables.h"

class TTargetControl;
namespace platform {
class Ui;
}

namespace rules {

// A value the target has not given us (yet).
constexpr int kTableValueUnread = -255;

class TableGridModel {
 public:
  // The progress bar of the window: maximum and position.
  using Progress = std::function<void(int max, int position)>;

  // tables may still be empty here and filled later (the window is made
  // before the tables are loaded); they must not change once shown.
  // ui asks for the values and shows the refusals.
  TableGridModel(const Tables& tables, TTargetControl& target, platform::Ui& ui);

  int TableCount() const { return tables_.GetCount(); }
  std::string TableName(int index) const;

  // The table on the selected tab; an index without a table gives an empty grid.
  void SetCurrentTable(int index) { current_ = index; }
  int CurrentTable() const { return current_; }
  const ST_TABLE* Current() const { return tables_.GetTable(current_); }
  int Entries() const;
  int Fields() const;

  void ToggleHexadecimal() { hexadecimal_ = !hexadecimal_; }

  // Grid texts: entry numbers across, field names down, values in the cells.
  std::string EntryCaption(int entry) const;
  std::string FieldCaption(int field) const;
  std::string ValueText(int entry, int field) const;
  int Value(int entry, int field) const;
  bool IsRead() const;
  // The largest value each field of the current table can hold.
  std::vector<uint32_t> LargestFields() const;

  // Reads the current table unless it has been read. A failed entry ends the
  // read; it and the later ones stay unread. A table whose layout cannot be
  // used is refused with a message and stays unread.
  void EnsureRead(const Progress& progress = Progress());
  // Forgets the current table's values and reads them again.
  void Reload(const Progress& progress = Progress());

  // Asks for a new value of one field and writes it back by reading the
  // entry, replacing the field's bits and writing the entry. True when the
  // target took the new entry. Text that is not a number throws
  // platform::EConvertError before anything is sent.
  bool EditField(int entry, int field);

  // ---- Layout rules ----

  // The first field that is not 1 or 2 bytes at a position from 0 to
  // kMaxFieldPos, or -1 when there is none.
  static constexpr int kMaxFieldPos = 0xFFFF;
  static int BadField(const ST_TABLE& table);
  // Bytes of one entry: up to the end of the furthest field, at least TotalSize.
  static int EntryBytes(const ST_TABLE& table);
  // Units of the access width that carry those bytes (width 2: words).
  static int EntryUnits(const ST_TABLE& table);
  // The largest value the field can hold.
  static int FieldMax(int size, int mask);
  static int GetField(const std::vector<uint8_t>& entry, int pos, int size, int mask);
  static void PutField(std::vector<uint8_t>& entry, int pos, int size, int mask, int value);
  // Between the target's units (one per u32) and entry bytes.
  static std::vector<uint8_t> UnitsToBytes(const std::vector<uint32_t>& units, int width);
  static std::vector<uint32_t> BytesToUnits(const std::vector<uint8_t>& bytes, int width);

 private:
  std::optional<std::vector<int>>& Slot(int index);
  const std::vector<int>* Data() const;
  bool ReadEntry(const ST_TABLE& table, int entry, std::vector<uint8_t>& bytes);
  void Unpack(const ST_TABLE& table, const std::vector<uint8_t>& bytes, int* values) const;

  const Tables& tables_;
  TTargetControl& target_;
  platform::Ui& ui_;
  int current_ = 0;
  bool hexadecimal_ = false;
  // Per table index: fields values per entry read, entry-major; none until read.
  std::vector<std::optional<std::vector<int>>> data_;
};

}  // namespace rules
