// Register value files (.id) written from registers and values the input
// makes, then read back: every register the reader keeps or drops for another
// field of its word comes back as written.
#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz_support.h"
#include "model/regvaluefile.h"
#include "model/systemfunc.h"

namespace {

using Row = std::tuple<std::string, uint32_t, int32_t, int32_t, int32_t, int>;
Row RowOf(const RegValueFileEntry& e) { return {e.Name, e.ID, e.Mask, e.Value, e.Vrf, e.IsSReg}; }

uint32_t Le(const uint8_t* p, int n) {
  uint32_t v = 0;
  while (n--) v = v << 8 | p[n];
  return v;
}

// A name the line layout cannot carry: the reader ends it at a comma, a line
// break ends the line, a zero byte the text, and a section tag starts a section.
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
  const bool includeS = data[0] & 1, includeH = data[0] & 2;
  Registers regs[2];
  for (size_t at = 1; at + 12 <= size;) {
    const uint8_t* r = data + at;
    ST_REGISTER reg;
    reg.ID = Le(r, 2);
    reg.Mask = Le(r + 2, 4);
    reg.Vrf = static_cast<int8_t>(r[10]);
    const size_t length = std::min<size_t>(r[11] >> 3, size - at - 12);
    reg.LongName.assign(reinterpret_cast<const char*>(r + 12), length);
    at += 12 + length;
    if (!Carried(reg.LongName)) continue;
    regs[r[11] & 1].AddRegister(reg);
    if (!(r[11] & 2)) regs[r[11] & 1].SetValue(reg.ID, static_cast<int>(Le(r + 6, 4)));
  }
  std::vector<Row> want;
  for (int h = 0; h < 2; ++h) {
    if (!(h ? includeH : includeS)) continue;
    for (int i = 0; i < regs[h].GetRegisterCount(); ++i) {
      const ST_REGISTER& reg = *regs[h].GetRegister(i);
      if (reg.ID == 0 || reg.LongName.find('"') != std::string::npos) continue;  // left out by design
      const int word = regs[h].GetValue(reg.ID);
      const int field = word == REG_VALUE_UNKNOWN ? word : ExtractByMask(word, static_cast<int>(reg.Mask));
      std::string name = reg.LongName;
      if (name.size() < 20) name.resize(20, ' ');
      want.emplace_back(name, reg.ID, static_cast<int32_t>(reg.Mask), field, reg.Vrf, h ? 0 : 1);
    }
  }
  const std::string path = fuzz::Home() + "v.id";
  std::string error;
  if (!SaveRegisterSnapshot(regs[0], regs[1], path, includeS, includeH, &error)) fuzz::Fail("not saved: " + error);
  bool hasS = false, hasH = false;
  std::vector<RegValueFileEntry> kept, dropped;
  if (!LoadRegisterValueFile(path, hasS, hasH, kept, &dropped)) fuzz::Fail("saved file not read");
  if (hasS != includeS || hasH != includeH) fuzz::Fail("sections not read back");
  std::vector<Row> got;
  for (const auto* list : {&kept, &dropped})
    for (const RegValueFileEntry& e : *list) got.push_back(RowOf(e));
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  if (got != want) fuzz::Fail("registers not read back as written");
  return 0;
}
