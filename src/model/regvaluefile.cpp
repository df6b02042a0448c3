#include "model/regvaluefile.h"

#include <algorithm>

#include "model/stringutility.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"

namespace {

bool IsBlankLine(const std::string& line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

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

bool SaveRegisterSnapshot(const std::string& fileName, bool includeS, bool includeH, std::string* error) {
  std::string text;
  for (const std::string& line : RegisterValueFileLines(SRegisters, HRegisters, includeS, includeH))
    text += line + "\r\n";
  return platform::WriteFileAtomic(fileName, text, error);
}

bool LoadRegisterValueFile(const std::string& fileName, bool& hasS, bool& hasH,
                           std::vector<RegValueFileEntry>& entries) {
  entries.clear();
  hasS = false;
  hasH = false;
  std::vector<std::string> lines;
  if (!platform::ReadLines(fileName, lines)) return false;

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

    auto same = std::find_if(entries.begin(), entries.end(), [&e](const RegValueFileEntry& x) { return x.ID == e.ID; });
    if (same == entries.end()) {
      entries.push_back(e);
    } else if (same->Mask < e.Mask) {
      entries.erase(same);
      entries.push_back(e);
    }
  }
  return true;
}
