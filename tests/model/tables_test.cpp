#include "model/tables.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "model/systemfunc.h"
#include "platform/convert.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace {

// "name count@start type total: column size/pos/mask ..." per table.
std::string Summary(const Tables& tables) {
  std::string s;
  for (int i = 0; i < tables.GetCount(); ++i) {
    const ST_TABLE* t = tables.GetTable(i);
    s += platform::Format("%s%s %d@%#x %d %d:", i ? "\n" : "", t->Name.c_str(), t->TableCount, t->StartID, t->DataType,
                          t->TotalSize);
    for (size_t c = 0; c < t->ColName.size(); ++c)
      s += platform::Format(" %s %d/%d/%#x", t->ColName[c].c_str(), t->DataSize[c], t->DataPos[c], t->Mask[c]);
  }
  return s;
}

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override { ui.SetForceEnglish(true); }
  bool Load(const std::string& text) { dir.Write("Table.dat", text); return tables.LoadFromFile(dir.File("Table.dat"), ui); }

  testing_support::TempDir dir;
  testing_support::ScopedHome home{dir.Path()};
  testing_support::ScriptedUi ui;
  Tables tables;
};

TEST_F(TablesTest, TheSampleFileAndTheDefaultsOfEveryKey) {
  std::string sample;
  ASSERT_TRUE(platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/Table.dat", sample));
  ASSERT_TRUE(Load(sample));
  EXPECT_EQ(Summary(tables),
            "チャンネルプリセット 8@0x3000 2 2: チャンネル 1/0/0xff バンド 1/1/0xf\n"
            "ホワイトバランス 4@0x3100 2 2: ゲイン 2/0/0x3ff");
  EXPECT_EQ(tables.GetTable(2), nullptr);
  EXPECT_EQ(tables.GetTable(-1), nullptr);

  // Sections and columns end at the first gap.
  ASSERT_TRUE(Load("[UDTable2]\r\nName=Second\r\n"));
  EXPECT_EQ(tables.GetCount(), 0);
  ASSERT_TRUE(Load("[UDTable1]\r\nName=NoFirst\r\nColName2=B\r\nDataSize2=2\r\n"
                   "[UDTable2]\r\nName=Defaults\r\nColName1=A\r\nColName2=B\r\n"
                   "[UDTable3]\r\nColName1=X\r\nDataSize1=2\r\nDataPos1=4\r\nMask1=0x0F\r\nColName2=\r\nColName3=Z\r\n"
                   "[UDTable4]\r\nTableCount=abc\r\nDataType=0x1\r\n"));
  EXPECT_EQ(Summary(tables),
            "NoFirst 1@0 1 0:\nDefaults 1@0 1 2: A 1/0/0xffff B 1/1/0xffff\n 1@0 1 2: X 2/4/0xf\n 1@0 1 0:");
}

TEST_F(TablesTest, TableDatInAnyCaseWinsEvenWhenEmptyThenVundDatThenNeitherKeepsTheSet) {
  dir.Write("Vund.dat", "[UDTable1]\r\nName=FromVund\r\nStartID=0x10\r\n");
  dir.Write("TABLE.DAT", "; nothing here\r\n");
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat"), ui));
  EXPECT_EQ(tables.GetCount(), 0);
  dir.Write("TABLE.DAT", "[UDTable1]\r\nName=Upper\r\n");
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat"), ui));
  EXPECT_EQ(Summary(tables), "Upper 1@0 1 0:");
  std::remove(platform::ToOsPath(dir.File("TABLE.DAT")).c_str());
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat"), ui));
  EXPECT_EQ(Summary(tables), "FromVund 1@0x10 1 0:");
  std::remove(platform::ToOsPath(dir.File("Vund.dat")).c_str());
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open " + dir.File("Table.dat"));
  EXPECT_FALSE(tables.LoadFromFile(dir.File("Table.dat"), ui));
  EXPECT_EQ(Summary(tables), "FromVund 1@0x10 1 0:");
}

TEST_F(TablesTest, UnusableSizesAndCountsAreReportedAndTheTableLeftOut) {
  for (const char* what : {"[UDTable1] TableCount=0x7FFFFFFF", "[UDTable2] TableCount=-1", "[UDTable4] TableCount=2",
                           "[UDTable5] DataSize1=-2147483648", "[UDTable6] DataSize2="})
    ui.ExpectMessage(0x30, platform::kIdOk, std::string("Check setting. ( ") + what + " )");
  ASSERT_TRUE(Load("[UDTable1]\r\nName=Huge\r\nTableCount=0x7FFFFFFF\r\n"
                   "[UDTable2]\r\nName=Negative\r\nTableCount=-1\r\n"
                   "[UDTable3]\r\nName=Largest\r\nTableCount=65536\r\nStartID=0xFFFF0000\r\nColName1=A\r\nDataSize1=0x7FFFFFFF\r\n"
                   "[UDTable4]\r\nName=PastLastId\r\nTableCount=2\r\nStartID=0xFFFFFFFF\r\n"
                   "[UDTable5]\r\nName=Overflow\r\nColName1=A\r\nDataSize1=-2147483648\r\nColName2=B\r\nDataSize2=-1\r\n"
                   "[UDTable6]\r\nName=Sum\r\nColName1=A\r\nDataSize1=0x7FFFFFFF\r\nColName2=B\r\n"
                   "[UDTable7]\r\nName=Empty\r\nTableCount=0\r\n"));
  EXPECT_EQ(Summary(tables), "Largest 65536@0xffff0000 1 2147483647: A 2147483647/0/0xffff\nEmpty 0@0 1 0:");
}

}  // namespace
