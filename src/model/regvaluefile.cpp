#include "model/regvaluefile.h"

#include <algorithm>
#include <unordered_map>

#include "model/stringutility.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"

namespace {

bool IsBlankLine(const std::string& line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Two fields that cannot both be restored into one word. Equal masks count,
// so an ID holds a bounded number of fields and loading stays linear.
bool MasksOverlap(int32_t a, int32_t b) { return (a & b) != 0 || a == b; }

}  // namespace

std::string FormatRegisterValueLine(const ST_REGISTER& reg, int word) {
  // The field of -255 would read back as a real value (65281 for a whole
  // word) and be restored to the set.
  const int field = word == REG_VALUE_UNKNOWN ? REG_VALUE_UNKNOWN : ExtractByMask(word, static_cast<int>(reg.Mask));
  return platform::Format("%-20s,0x%08X,%5d,0x%04X,%d,", reg.LongName.c_str(), reg.ID, field, reg.Mask, reg.Vrf);
}

std::vector<std::string> RegisterValueFileLines(const Registers& sRegs, const Registers& hRegs, bool includeS,
                                                bool includeH) {
  std::vector<std::string> lines;
  auto add = [&lines](const char* section, const Registers& regs) {
    lines.push_back(section);
    for (int i = 0; i < regs.GetRegisterCount(); ++i) {
      const ST_REGISTER* reg = regs.GetRegister(static_cast<unsigned>(i));
      lines.push_back(FormatRegisterValueLine(*reg, regs.GetValue(reg->ID)));
    }
  };
  if (includeS) add("[Sreg]", sRegs);
  if (includeH) add("[Hreg]", hRegs);
  return lines;
}

bool SaveRegisterSnapshot(const Registers& sRegs, const Registers& hRegs, const std::string& fileName, bool includeS,
                          bool includeH, std::string* error) {
  std::string text;
  for (const std::string& line : RegisterValueFileLines(sRegs, hRegs, includeS, includeH)) text += line + "\r\n";
  return platform::WriteFileAtomic(fileName, text, error);
}

bool LoadRegisterValueFile(const std::string& fileName, bool& hasS, bool& hasH, std::vector<RegValueFileEntry>& entries,
                           std::vector<RegValueFileEntry>* dropped) {
  entries.clear();
  if (dropped) dropped->clear();
  hasS = false;
  hasH = false;
  std::vector<std::string> lines;
  if (!platform::ReadLines(fileName, lines)) return false;

  std::vector<RegValueFileEntry> kept;
  std::vector<bool> replaced;                               // by index into kept
  std::unordered_map<uint32_t, std::vector<size_t>> byId;  // the fields of an ID still kept
  auto drop = [dropped](const RegValueFileEntry& e) {
    if (dropped) dropped->push_back(e);
  };

  uint8_t inSReg = 0;
  for (const std::string& line : lines) {
    if (line.find("[Sreg]") != std::string::npos) {
      hasS = true;
      inSReg = 1;
      continue;
    }
    if (line.find("[Hreg]") != std::string::npos) {
      hasH = true;
      inSReg = 0;
      continue;
    }
    if (IsBlankLine(line)) continue;

    int pos = 1;
    RegValueFileEntry e;
    e.Name = GetToken(line, pos, ",");
    e.ID = static_cast<uint32_t>(platform::StrToInt(GetToken(line, pos, ",")));
    e.Value = platform::StrToInt(GetToken(line, pos, ","));
    e.Mask = platform::StrToInt(GetToken(line, pos, ","));
    e.Vrf = platform::StrToInt(GetToken(line, pos, ","));
    e.IsSReg = inSReg;
    if (e.Name.find('"') != std::string::npos || e.ID == 0) continue;

    std::vector<size_t>& fields = byId[e.ID];
    const bool beaten = std::any_of(fields.begin(), fields.end(), [&](size_t i) {
      return MasksOverlap(kept[i].Mask, e.Mask) && kept[i].Mask >= e.Mask;
    });
    if (beaten) {
      drop(e);
      continue;
    }
    // e is larger than every field it overlaps: those go, e joins at the end.
    auto overlapped = std::stable_partition(fields.begin(), fields.end(),
                                            [&](size_t i) { return !MasksOverlap(kept[i].Mask, e.Mask); });
    for (auto it = overlapped; it != fields.end(); ++it) {
      replaced[*it] = true;
      drop(kept[*it]);
    }
    fields.erase(overlapped, fields.end());
    fields.push_back(kept.size());
    kept.push_back(e);
    replaced.push_back(false);
  }
  for (size_t i = 0; i < kept.size(); ++i)
    if (!replaced[i]) entries.push_back(std::move(kept[i]));
  return true;
}
