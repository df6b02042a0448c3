#include "rules/tablegridmodel.h"

#include <algorithm>

#include "link/targetcontrol.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/ui.h"

namespace rules {

namespace {

// The field's mask within its own bytes: bits beyond them cannot be read or
// written, and counting them would shift the value off its scale.
int FieldMask(int size, int mask) { return mask & (size == 1 ? 0xFF : 0xFFFF); }

int FieldIndex(const ST_TABLE& table, int field) {
  return field >= 0 && field < static_cast<int>(table.ColName.size()) ? field : -1;
}

}  // namespace

TableGridModel::TableGridModel(const Tables& tables, TTargetControl& target, platform::Ui& ui)
    : tables_(tables), target_(target), ui_(ui) {}

std::string TableGridModel::TableName(int index) const {
  const ST_TABLE* t = tables_.GetTable(index);
  return t ? t->Name : std::string();
}

int TableGridModel::Entries() const {
  const ST_TABLE* t = Current();
  return t ? std::max(t->TableCount, 0) : 0;
}

int TableGridModel::Fields() const {
  const ST_TABLE* t = Current();
  return t ? static_cast<int>(t->ColName.size()) : 0;
}

std::string TableGridModel::EntryCaption(int entry) const { return platform::Format("%d", entry); }

std::string TableGridModel::FieldCaption(int field) const {
  const ST_TABLE* t = Current();
  return t && FieldIndex(*t, field) >= 0 ? t->ColName[field] : std::string();
}

int TableGridModel::Value(int entry, int field) const {
  const std::vector<int>* data = Data();
  if (!data || entry < 0 || entry >= Entries() || field < 0 || field >= Fields()) return kTableValueUnread;
  // Entries past a failed read were never stored.
  const size_t at = static_cast<size_t>(entry) * static_cast<size_t>(Fields()) + static_cast<size_t>(field);
  return at < data->size() ? (*data)[at] : kTableValueUnread;
}

std::string TableGridModel::ValueText(int entry, int field) const {
  const int v = Value(entry, field);
  if (v == kTableValueUnread) return "?";
  return hexadecimal_ ? platform::Format("0x%X", v) : platform::Format("%d", v);
}

bool TableGridModel::IsRead() const { return Data() != nullptr; }

std::optional<std::vector<int>>& TableGridModel::Slot(int index) {
  if (data_.size() < static_cast<size_t>(TableCount())) data_.resize(TableCount());
  return data_[index];
}

const std::vector<int>* TableGridModel::Data() const {
  if (!Current() || static_cast<size_t>(current_) >= data_.size() || !data_[current_]) return nullptr;
  return &*data_[current_];
}

void TableGridModel::EnsureRead(const Progress& progress) {
  const ST_TABLE* t = Current();
  if (!t || IsRead()) return;
  const int f = BadField(*t);
  if (f >= 0) {
    ui_.ShowMessageBoxJE("ERROR",
                         platform::Format("テーブル %s : 項目 %s (DataSize %d, DataPos %d) は使えません。"
                                          "DataSize は 1 か 2、DataPos は 0 から 65535 にしてください。",
                                          t->Name.c_str(), t->ColName[f].c_str(), t->DataSize[f], t->DataPos[f]),
                         "ERROR",
                         platform::Format("Table %s : field %s (DataSize %d, DataPos %d) cannot be used. "
                                          "DataSize must be 1 or 2 and DataPos 0 to 65535.",
                                          t->Name.c_str(), t->ColName[f].c_str(), t->DataSize[f], t->DataPos[f]),
                         0x10);
    return;
  }
  const int entries = Entries();
  const size_t fields = static_cast<size_t>(Fields());
  // Grows with the entries read, so a long table costs nothing before the
  // target has answered.
  std::vector<int> values;
  // A table without fields has nothing to ask the target for.
  if (fields > 0) {
    // The bar runs over the entries to read, and ends empty.
    if (progress) progress(entries, 0);
    std::vector<uint8_t> bytes;
    for (int e = 0; e < entries; ++e) {
      if (!ReadEntry(*t, e, bytes)) break;  // the target control has said why
      values.resize(values.size() + fields);
      Unpack(*t, bytes, &values[values.size() - fields]);
      if (progress) progress(entries, e + 1);
    }
    if (progress) progress(entries, 0);
  }
  Slot(current_) = std::move(values);
}

void TableGridModel::Reload(const Progress& progress) {
  if (!Current()) return;
  Slot(current_).reset();
  EnsureRead(progress);
}

bool TableGridModel::EditField(int entry, int field) {
  const ST_TABLE* t = Current();
  if (!t || entry < 0 || entry >= Entries() || FieldIndex(*t, field) < 0) return false;
  for (int f = 0; f < Fields(); ++f) {
    if (Value(entry, f) == kTableValueUnread) {
      ui_.ShowMessageBoxJE("ERROR", "テーブルデータが読まれていません", "ERROR", "Table data is not readed !", 0x10);
      return false;
    }
  }

  const std::string shown = ValueText(entry, field);
  std::string text = shown;
  if (!ui_.InputBox("Input", platform::Format("Table %d %s", entry + 1, t->ColName[field].c_str()), text, 0))
    return false;
  if (text == shown) return false;
  const int value = platform::StrToInt(text);

  const int size = t->DataSize[field];
  const int mask = t->Mask[field];
  const int max = FieldMax(size, mask);
  // Negative values and values wider than the field would change bits that
  // belong to the neighbours or come back as something else.
  if (value < 0 || value > max) {
    ui_.ShowMessageBoxJE("ERROR", platform::Format("範囲チェックエラー　入力値 %d 最大値 %d", value, max), "ERROR",
                         platform::Format("Range check error ! Input %d Max %d", value, max), 0x10);
    return false;
  }

  std::vector<uint8_t> bytes;
  if (!ReadEntry(*t, entry, bytes)) return false;
  PutField(bytes, t->DataPos[field], size, mask, value);
  const std::vector<uint32_t> units = BytesToUnits(bytes, t->DataType);
  if (!target_.WriteTableValues(static_cast<uint32_t>(t->StartID) + static_cast<uint32_t>(entry), t->DataType,
                                static_cast<int>(units.size()), units.data()))
    return false;
  // Show what went to the target, not what was typed.
  Unpack(*t, bytes, &(*Slot(current_))[static_cast<size_t>(entry) * static_cast<size_t>(Fields())]);
  return true;
}

bool TableGridModel::ReadEntry(const ST_TABLE& table, int entry, std::vector<uint8_t>& bytes) {
  std::vector<uint32_t> units(static_cast<size_t>(EntryUnits(table)), 0);
  if (!target_.ReadTableValue(static_cast<uint32_t>(table.StartID) + static_cast<uint32_t>(entry), table.DataType, units.data(),
                              static_cast<int>(units.size())))
    return false;
  // Word access: keep the pad byte of an odd entry, it is written back as read.
  bytes = UnitsToBytes(units, table.DataType);
  return true;
}

void TableGridModel::Unpack(const ST_TABLE& table, const std::vector<uint8_t>& bytes, int* values) const {
  for (size_t f = 0; f < table.ColName.size(); ++f)
    values[f] = GetField(bytes, table.DataPos[f], table.DataSize[f], table.Mask[f]);
}

std::vector<uint32_t> TableGridModel::LargestFields() const {
  std::vector<uint32_t> largest;
  const ST_TABLE* t = Current();
  if (!t || BadField(*t) >= 0) return largest;
  for (size_t f = 0; f < t->ColName.size(); ++f)
    largest.push_back(static_cast<uint32_t>(FieldMax(t->DataSize[f], t->Mask[f])));
  return largest;
}

// ---- Layout rules ----

int TableGridModel::BadField(const ST_TABLE& table) {
  for (size_t f = 0; f < table.ColName.size(); ++f) {
    const int size = table.DataSize[f];
    const int pos = table.DataPos[f];
    if ((size != 1 && size != 2) || pos < 0 || pos > kMaxFieldPos) return static_cast<int>(f);
  }
  return -1;
}

int TableGridModel::EntryBytes(const ST_TABLE& table) {
  int bytes = std::max(table.TotalSize, 0);
  for (size_t f = 0; f < table.ColName.size(); ++f)
    bytes = std::max(bytes, table.DataPos[f] + std::max(table.DataSize[f], 0));
  return bytes;
}

int TableGridModel::EntryUnits(const ST_TABLE& table) {
  const int bytes = EntryBytes(table);
  return table.DataType == 2 ? (bytes + 1) / 2 : bytes;
}

int TableGridModel::FieldMax(int size, int mask) {
  const int m = FieldMask(size, mask);
  return ExtractByMask(m, m);
}

int TableGridModel::GetField(const std::vector<uint8_t>& entry, int pos, int size, int mask) {
  const int raw = size == 1 ? entry[pos] : (entry[pos] << 8) | entry[pos + 1];
  return ExtractByMask(raw, FieldMask(size, mask));
}

void TableGridModel::PutField(std::vector<uint8_t>& entry, int pos, int size, int mask, int value) {
  const int m = FieldMask(size, mask);
  int raw = size == 1 ? entry[pos] : (entry[pos] << 8) | entry[pos + 1];
  raw = (raw & ~m) | ShiftIntoMask(m, value);
  if (size == 1) {
    entry[pos] = static_cast<uint8_t>(raw);
  } else {
    entry[pos] = static_cast<uint8_t>(raw >> 8);
    entry[pos + 1] = static_cast<uint8_t>(raw);
  }
}

std::vector<uint8_t> TableGridModel::UnitsToBytes(const std::vector<uint32_t>& units, int width) {
  std::vector<uint8_t> out;
  out.reserve(units.size() * 2);
  for (uint32_t u : units) {
    if (width == 2) out.push_back(static_cast<uint8_t>(u >> 8));
    out.push_back(static_cast<uint8_t>(u));
  }
  return out;
}

std::vector<uint32_t> TableGridModel::BytesToUnits(const std::vector<uint8_t>& bytes, int width) {
  std::vector<uint32_t> out;
  if (width != 2) return std::vector<uint32_t>(bytes.begin(), bytes.end());
  for (size_t i = 0; i < bytes.size(); i += 2)
    out.push_back(static_cast<uint32_t>(bytes[i] << 8) | (i + 1 < bytes.size() ? bytes[i + 1] : 0u));
  return out;
}

}  // namespace rules
