#include "rules/scriptwindowrules.h"

namespace rules {

std::array<ScreenPoint, 4> VisibilityProbePoints(int left, int top, int width, int height) {
  return {{{left + 8, top + 8},
           {left + width - 16, top + 8},
           {left + width - 16, top + height - 16},
           {left + 8, top + height - 16}}};
}

PrintRaise RaiseOnPrint(int seen, bool modalDialogOpen) {
  if (seen >= kVisiblePointsNeeded) return PrintRaise::None;
  return modalDialogOpen ? PrintRaise::AfterModal : PrintRaise::Now;
}

int ResolveScriptColor(uint32_t color) {
  if ((color & 0xFF000000u) == 0x80000000u) {
    // The usual defaults of the system colour entries, 0x00BBGGRR.
    static const int kSystemColors[] = {
        0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
        0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
        0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
        0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xD77800, 0xF0F0F0,
    };
    const uint32_t index = color & 0xFF;
    if (index < sizeof(kSystemColors) / sizeof(kSystemColors[0])) return kSystemColors[index];
    return 0;
  }
  return static_cast<int>(color & 0x00FFFFFF);
}

}  // namespace rules
