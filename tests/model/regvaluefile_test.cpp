#include "model/regvaluefile.h"

#include <gtest/gtest.h>

#include "platform/convert.h"
#include "support/temp_dir.h"

namespace {

std::vector<RegValueFileEntry> Load(const std::string& text, bool& hasS, bool& hasH,
                                     std::vector<RegValueFileEntry>* dropped = nullptr) {
  testing_support::TempDir dir;
  dir.Write("v.id", text);
  std::vector<RegValueFileEntry> entries;
  EXPECT_TRUE(LoadRegisterValueFile(dir.File("v.id"), hasS, hasH, entries, dropped));
  return entries;
}

std::string Names(const std::vector<RegValueFileEntry>& entries) {
  std::string names;
  for (const RegValueFileEntry& e : entries) names += (names.empty() ? "" : " ") + e.Name;
  return names;
}

TEST(RegValueFile, ASharedIdKeepsFieldsApartAndTheLargerOfOverlappingMasks) {
  bool hasS, hasH;
  std::vector<RegValueFileEntry> dropped;
  auto a = Load("EARLY,0x10,1,0xFFFF,1,\r\n[Sreg]\r\nLO,0x20,1,0x00FF,1,\r\n\"Q,0x22,1,0xFFFF,1,\r\nZERO,0,1,0xFFFF,1,\r\n"
                "X,0x21,5,0xFFFF,1,\r\n[Hreg]\r\nHI,0x20,2,0xFFFF,1,\r\n",
                hasS, hasH, &dropped);
  // S and H alike; the larger one moves to the end. Quoted names and ID 0 are
  // skipped; lines before any section count as H.
  EXPECT_EQ(Names(a), "EARLY X HI");
  EXPECT_EQ(a[0].IsSReg, 0);
  EXPECT_EQ(Names(dropped), "LO");

  auto b = Load("[Sreg]\r\nHI,0x20,2,0xFFFF,1,\r\nLO,0x20,1,0x00FF,1,\r\nTIE,0x20,3,0xFFFF,1,\r\n", hasS, hasH,
                &dropped);
  EXPECT_EQ(Names(b), "HI");
  EXPECT_EQ(Names(dropped), "LO TIE");

  // Fields of one word whose masks do not overlap are all kept; a mask that
  // covers two of them replaces both.
  auto c = Load("[Sreg]\r\nFactoryMode,0x1072,1,0x0001,1,\r\nShipMode,0x1072,0,0x0002,1,\r\nNIB,0x1072,3,0x00F0,1,\r\n"
                "Z1,0x1072,0,0,1,\r\nZ2,0x1072,0,0,1,\r\n",
                hasS, hasH, &dropped);
  EXPECT_EQ(Names(c), "FactoryMode ShipMode NIB Z1");
  EXPECT_EQ(Names(dropped), "Z2");
  auto d = Load("[Sreg]\r\nA,0x30,1,0x000F,1,\r\nB,0x30,2,0x00F0,1,\r\nAB,0x30,3,0x00FF,1,\r\n", hasS, hasH, &dropped);
  EXPECT_EQ(Names(d), "AB");
  EXPECT_EQ(Names(dropped), "A B");
  EXPECT_THROW(Load("[Sreg]\r\nA,0x20,12,0xFF\r\n", hasS, hasH), platform::EConvertError);  // no Vrf word
}

}  // namespace
