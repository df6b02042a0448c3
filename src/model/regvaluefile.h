// Register value files (.id): the values of the S Reg and H Reg registers as
// text, one line per register under a "[Sreg]" and an "[Hreg]" section, so a
// set's state can be restored later to it or to another set.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/registers.h"

// One register line of a value file as read back.
struct RegValueFileEntry {
  std::string Name;  // the first word as written, with its padding blanks
  uint32_t ID = 0;
  int32_t Mask = 0;
  int32_t Value = 0;  // the field value (REG_VALUE_UNKNOWN: never read)
  int32_t Vrf = 0;
  uint8_t IsSReg = 0;  // 1 under [Sreg]; 0 under [Hreg] or before any section
};

// "%-20s,0x%08X,%5d,0x%04X,%d," for a register whose cached word is word. A
// word never read is written as REG_VALUE_UNKNOWN itself, not as its field.
std::string FormatRegisterValueLine(const ST_REGISTER& reg, int word);
// The lines of a file with the chosen sections, every register of each file
// in list order with its cached value.
std::vector<std::string> RegisterValueFileLines(const Registers& sRegs, const Registers& hRegs, bool includeS,
                                                bool includeH);
// Writes the lines of the two register sets (CR LF) through a temporary
// file. False with a reason when the file could not be written; the old file
// then stays whole.
bool SaveRegisterSnapshot(const Registers& sRegs, const Registers& hRegs, const std::string& fileName, bool includeS,
                          bool includeH, std::string* error = nullptr);

// Reads a value file. Lines naming a quoted register or ID 0 are left out.
// Fields of one ID (S and H alike) whose masks share no bit are all kept;
// of two whose masks overlap (or are equal) the larger mask stays, the
// earlier one on a tie, and the other goes to dropped. False when the file
// cannot be read. A number that does not convert throws
// platform::EConvertError.
bool LoadRegisterValueFile(const std::string& fileName, bool& hasS, bool& hasH, std::vector<RegValueFileEntry>& entries,
                           std::vector<RegValueFileEntry>* dropped = nullptr);
