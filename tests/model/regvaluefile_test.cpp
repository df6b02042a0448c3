#include "model/regvaluefile.h"

#include <gtest/gtest.h>

#include "platform/convert.h"
#include "support/temp_dir.h"

using testing_support::TempDir;

namespace {

ST_REGISTER Reg(const std::string& name, uint32_t id, uint32_t mask = 0xFFFF, int vrf = 1) {
  ST_REGISTER r;
  r.LongName = name;
  r.ShortName = name;
  r.ID = id;
  r.Mask = mask;
  r.Vrf = vrf;
  return r;
}

class RegValueFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SRegisters = Registers();
    HRegisters = Registers();
  }
  void TearDown() override {
    SRegisters = Registers();
    HRegisters = Registers();
  }

  std::vector<RegValueFileEntry> Load(const std::string& text, bool* hasS = nullptr, bool* hasH = nullptr) {
    dir.Write("v.id", text);
    bool s = false, h = false;
    std::vector<RegValueFileEntry> entries;
    EXPECT_TRUE(LoadRegisterValueFile(dir.File("v.id"), s, h, entries));
    if (hasS) *hasS = s;
    if (hasH) *hasH = h;
    return entries;
  }

  TempDir dir;
};

TEST(RegValueLine, FieldValueLayout) {
  EXPECT_EQ(FormatRegisterValueLine(Reg("VOLUME", 0x20, 0xFF), 12), "VOLUME              ,0x00000020,   12,0x00FF,1,");
  // The field is shifted down out of the word; long names stay whole.
  EXPECT_EQ(FormatRegisterValueLine(Reg("A_VERY_LONG_REGISTER_NAME", 0x1234, 0x0F0, 0), 0x1234),
            "A_VERY_LONG_REGISTER_NAME,0x00001234,    3,0x00F0,0,");
  EXPECT_EQ(FormatRegisterValueLine(Reg("W", 0x10000), 0xFFFF), "W                   ,0x00010000,65535,0xFFFF,1,");
}

TEST(RegValueLine, NeverReadIsWrittenAsNotRead) {
  EXPECT_EQ(FormatRegisterValueLine(Reg("W", 0x21), REG_VALUE_UNKNOWN), "W                   ,0x00000021, -255,0xFFFF,1,");
  EXPECT_EQ(FormatRegisterValueLine(Reg("F", 0x22, 0xF0), REG_VALUE_UNKNOWN),
            "F                   ,0x00000022, -255,0x00F0,1,");
}

TEST_F(RegValueFileTest, SavedSectionsReadBack) {
  SRegisters.AddRegister(Reg("S1", 0x20, 0xFF));
  SRegisters.AddRegister(Reg("\"LABEL", 0, 0xFFFF, 0));
  SRegisters.SetValue(0x20, 0x120C);
  HRegisters.AddRegister(Reg("H1", 0x300, 0xFF00));
  HRegisters.SetValue(0x300, 0x4500);

  ASSERT_TRUE(SaveRegisterSnapshot(dir.File("a.id"), true, true));
  EXPECT_EQ(dir.Read("a.id"),
            "[Sreg]\r\n"
            "S1                  ,0x00000020,   12,0x00FF,1,\r\n"
            "\"LABEL              ,0x00000000, -255,0xFFFF,0,\r\n"
            "[Hreg]\r\n"
            "H1                  ,0x00000300,   69,0xFF00,1,\r\n");

  bool hasS = false, hasH = false;
  std::vector<RegValueFileEntry> entries;
  ASSERT_TRUE(LoadRegisterValueFile(dir.File("a.id"), hasS, hasH, entries));
  EXPECT_TRUE(hasS);
  EXPECT_TRUE(hasH);
  ASSERT_EQ(entries.size(), 2u);  // the label line never comes back
  EXPECT_EQ(entries[0].Name, "S1                  ");
  EXPECT_EQ(entries[0].ID, 0x20u);
  EXPECT_EQ(entries[0].Value, 12);
  EXPECT_EQ(entries[0].Mask, 0xFF);
  EXPECT_EQ(entries[0].Vrf, 1);
  EXPECT_EQ(entries[0].IsSReg, 1);
  EXPECT_EQ(entries[1].Value, 69);
  EXPECT_EQ(entries[1].IsSReg, 0);

  ASSERT_TRUE(SaveRegisterSnapshot(dir.File("h.id"), false, true));
  EXPECT_EQ(dir.Read("h.id").rfind("[Hreg]\r\n", 0), 0u);
  Load(dir.Read("h.id"), &hasS, &hasH);
  EXPECT_FALSE(hasS);
  EXPECT_TRUE(hasH);
}

TEST_F(RegValueFileTest, SaveIntoMissingFolderFails) {
  std::string error;
  EXPECT_FALSE(SaveRegisterSnapshot(dir.File("no/such/a.id"), true, true, &error));
  EXPECT_FALSE(error.empty());
}

TEST_F(RegValueFileTest, DuplicateIdKeepsTheLargerMask) {
  auto a = Load("[Sreg]\r\nLO,0x20,1,0x00FF,1,\r\nX,0x21,5,0xFFFF,1,\r\n[Hreg]\r\nHI,0x20,2,0xFFFF,1,\r\n");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].Name, "X");
  EXPECT_EQ(a[1].Name, "HI");  // removed and appended: S and H alike
  EXPECT_EQ(a[1].IsSReg, 0);

  auto b = Load("[Sreg]\r\nHI,0x20,2,0xFFFF,1,\r\nLO,0x20,1,0x00FF,1,\r\nSAME,0x20,3,0xFFFF,1,\r\n");
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].Name, "HI");
}

TEST_F(RegValueFileTest, DroppedAndSkippedLines) {
  bool hasS = true, hasH = true;
  auto e = Load("EARLY,0x10,1,0xFFFF,1,\r\n\r\n  \r\n[Sreg]\r\n\"QUOTED,0x11,1,0xFFFF,1,\r\nZERO,0,1,0xFFFF,1,\r\n"
                "OK,17,-3,255,1\r\n",
                &hasS, &hasH);
  EXPECT_TRUE(hasS);
  EXPECT_FALSE(hasH);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].Name, "EARLY");
  EXPECT_EQ(e[0].IsSReg, 0);  // before any section counts as H
  EXPECT_EQ(e[1].ID, 17u);
  EXPECT_EQ(e[1].Value, -3);
  EXPECT_EQ(e[1].IsSReg, 1);
}

TEST_F(RegValueFileTest, UnreadableFileAndBadNumbers) {
  bool hasS = true, hasH = true;
  std::vector<RegValueFileEntry> entries(1);
  EXPECT_FALSE(LoadRegisterValueFile(dir.File("missing.id"), hasS, hasH, entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(hasS || hasH);

  dir.Write("bad.id", "[Sreg]\r\nA,0x20,twelve,0xFF,1,\r\n");
  EXPECT_THROW(LoadRegisterValueFile(dir.File("bad.id"), hasS, hasH, entries), platform::EConvertError);
  dir.Write("short.id", "[Sreg]\r\nA,0x20,12,0xFF\r\n");
  EXPECT_THROW(LoadRegisterValueFile(dir.File("short.id"), hasS, hasH, entries), platform::EConvertError);
}

}  // namespace
