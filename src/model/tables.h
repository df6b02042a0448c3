// User tables: blocks of target data shown as grids by the table window, read
// from the [UDTable%d] sections of Table.dat, else of vund.dat.
#pragma once
#include <string>
#include <vector>

struct ST_TABLE {
  std::string Name;
  int TableCount = 1;  // rows; row r is register ID StartID + r
  int StartID = 0;
  int DataType = 1;    // access width handed to the target control
  int TotalSize = 0;   // sum of DataSize
  // One entry per column, all four equally long.
  std::vector<std::string> ColName;
  std::vector<int> DataSize;
  std::vector<int> DataPos;
  std::vector<int> Mask;
};

// The most rows a table may have. Each row is one exchange with the target
// and one column of the table window, and 65536 rows cover a whole 16-bit
// register space; a larger count is refused when the table is read, so what
// is kept per row stays small.
constexpr int kMaxTableCount = 0x10000;

namespace platform {
class Ui;
}

class Tables {
 public:
  // Reads tableFile, or vund.dat in the program folder when tableFile does not
  // exist. When neither exists: an error box, false, the set unchanged.
  // A table with a negative or overflowing DataSize, or a TableCount below 0,
  // above kMaxTableCount or past the last register ID, is left out after a
  // "Check setting" warning.
  // ui shows the error and the warnings.
  bool LoadFromFile(const std::string& tableFile, platform::Ui& ui);
  // Null when index is out of range.
  const ST_TABLE* GetTable(int index) const;
  int GetCount() const { return static_cast<int>(tables_.size()); }

 private:
  std::vector<ST_TABLE> tables_;
};
