// Register value files (.id) written from registers and values the input
// makes, then read back: every register the reader keeps or drops for another
// field of its word comes back as written, and no two it keeps overlap.
#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz_support.h"
#include "model/regvaluefile.h"
#include "model/systemfunc.h"

namespace {

using Row = std::tuple<std::string, uint32_t, int32_t, int32_t, int32_t, int>;

// A name the line cannot carry: the reader ends it at a comma, a line break
// ends the line, a zero byte the text, and a section tag starts a section.
bool Carried(const std::string& name) {
  return name.find_first_of(std::string(",\r\n\0", 4)) == std::string::npos &&
         name.find("[Sreg]") == std::string::npos && name.find("[Hreg]") == std::string::npos;
}

}  // namespace

// Byte 0 chooses the sections; then per register: ID (2 bytes), mask (4),
// word (4), Vrf (1), flags (1: bit 0 H Reg, bit 1 never read, bits 3-7 the
// name's length) and the name.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool include[2] = {(data[0] & 1) != 0, (data[0] & 2) != 0};
  Registers regs[2];
  for (size_t at = 1; at + 12 <= size;) {
    const uint8_t* r = data + at;
    ST_REGISTER reg;
    int32_t word;
    reg.ID = r[0] | r[1] << 8;
    std::memcpy(&reg.Mask, r + 2, 4), std::memcpy(&word, r + 6, 4);
    reg.Vrf = static_cast<int8_t>(r[10]);
    const size_t length = std::min<size_t>(r[11] >> 3, size - at - 12);
    reg.LongName.assign(reinterpret_cast<const char*>(r + 12), length);
    at += 12 + length;
    if (!Carried(reg.LongName)) continue;
    regs[r[11] & 1].AddRegister(reg);
    if (!(r[11] & 2)) regs[r[11] & 1].SetValue(reg.ID, word);
  }
  std::vector<Row> want, got;
  for (int h = 0; h < 2; ++h)
    for (int i = 0; include[h] && i < regs[h].GetRegisterCount(); ++i) {
      const ST_REGISTER& reg = *regs[h].GetRegister(i);
      if (reg.ID == 0 || reg.LongName.find('"') != std::string::npos) continue;  // left out by design
      const int word = regs[h].GetValue(reg.ID);
      const int field = word == REG_VALUE_UNKNOWN ? word : ExtractByMask(word, static_cast<int>(reg.Mask));
      const std::string name = reg.LongName + std::string(20 - std::min<size_t>(20, reg.LongName.size()), ' ');
      want.emplace_back(name, reg.ID, static_cast<int32_t>(reg.Mask), field, reg.Vrf, h ? 0 : 1);
    }
  const std::string path = fuzz::Home() + "v.id";
  std::string error;
  if (!SaveRegisterSnapshot(regs[0], regs[1], path, include[0], include[1], &error)) fuzz::Fail("not saved: " + error);
  bool hasS = false, hasH = false;
  std::vector<RegValueFileEntry> kept, dropped;
  if (!LoadRegisterValueFile(path, hasS, hasH, kept, &dropped)) fuzz::Fail("saved file not read");
  if (hasS != include[0] || hasH != include[1]) fuzz::Fail("sections not read back");
  for (const RegValueFileEntry& a : kept)
    for (const RegValueFileEntry& b : kept)
      if (&a != &b && a.ID == b.ID && ((a.Mask & b.Mask) || a.Mask == b.Mask)) fuzz::Fail("kept fields of a word overlap");
  for (const auto* list : {&kept, &dropped})
    for (const RegValueFileEntry& e : *list) got.emplace_back(e.Name, e.ID, e.Mask, e.Value, e.Vrf, e.IsSReg);
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  if (got != want) fuzz::Fail("registers not read back as written");
  return 0;
}
