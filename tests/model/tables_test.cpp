#include "model/tables.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "model/systemfunc.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

using testing_support::ScopedHome;
using testing_support::ScriptedUi;
using testing_support::TempDir;

namespace {

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override { SetForceEnglish(true); }
  void TearDown() override { SetForceEnglish(false); }

  TempDir dir;
  ScopedHome home{dir.Path()};
  ScriptedUi ui;
  Tables tables;
};

TEST_F(TablesTest, SampleTableFile) {
  std::string sample;
  ASSERT_TRUE(platform::ReadFileBytes(std::string(VUND2_EXAMPLES) + "/Table.dat", sample));
  dir.Write("Table.dat", sample);
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat")));
  ASSERT_EQ(tables.GetCount(), 2);
  const ST_TABLE* t = tables.GetTable(0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Name, "チャンネルプリセット");
  EXPECT_EQ(t->StartID, 0x3000);
  EXPECT_EQ(t->TableCount, 8);
  EXPECT_EQ(t->DataType, 2);
  EXPECT_EQ(t->ColName, (std::vector<std::string>{"チャンネル", "バンド"}));
  EXPECT_EQ(t->Mask, (std::vector<int>{0xFF, 0x0F}));
  EXPECT_EQ(t->TotalSize, 2);
  EXPECT_EQ(tables.GetTable(1)->StartID, 0x3100);
  EXPECT_EQ(tables.GetTable(1)->TableCount, 4);
  EXPECT_EQ(tables.GetTable(2), nullptr);
  EXPECT_EQ(tables.GetTable(-1), nullptr);
}

TEST_F(TablesTest, TableDatInAnyCaseWinsEvenWhenEmptyThenVundDatThenNeitherKeepsTheSet) {
  dir.Write("Vund.dat", "[UDTable1]\r\nName=FromVund\r\nStartID=0x10\r\n");
  dir.Write("TABLE.DAT", "; nothing here\r\n");
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat")));
  EXPECT_EQ(tables.GetCount(), 0);
  dir.Write("TABLE.DAT", "[UDTable1]\r\nName=Upper\r\n");
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat")));
  ASSERT_EQ(tables.GetCount(), 1);
  EXPECT_EQ(tables.GetTable(0)->Name, "Upper");

  std::remove(platform::ToOsPath(dir.File("TABLE.DAT")).c_str());
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat")));
  ASSERT_EQ(tables.GetCount(), 1);
  EXPECT_EQ(tables.GetTable(0)->Name, "FromVund");
  EXPECT_EQ(tables.GetTable(0)->StartID, 0x10);

  std::remove(platform::ToOsPath(dir.File("Vund.dat")).c_str());
  ui.ExpectMessage(0x10, platform::kIdOk, "Fail to open " + dir.File("Table.dat"));
  EXPECT_FALSE(tables.LoadFromFile(dir.File("Table.dat")));
  ASSERT_EQ(tables.GetCount(), 1);
  EXPECT_EQ(tables.GetTable(0)->Name, "FromVund");
}

TEST_F(TablesTest, SectionsAndColumnsEndAtTheFirstGap) {
  dir.Write("Table.dat",
            "[UDTable2]\r\nName=Second\r\n"
            "[UDTable3]\r\nName=Third\r\n");
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat")));
  EXPECT_EQ(tables.GetCount(), 0);

  dir.Write("Table.dat",
            "[UDTable1]\r\nName=NoFirst\r\nColName2=B\r\nDataSize2=2\r\n"
            "[UDTable2]\r\nName=Defaults\r\nColName1=A\r\nColName2=B\r\n"
            "[UDTable3]\r\nColName1=X\r\nDataSize1=2\r\nDataPos1=4\r\nMask1=0x0F\r\nColName2=\r\nColName3=Z\r\n"
            "[UDTable4]\r\nTableCount=abc\r\nDataType=0x1\r\n");
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat")));
  ASSERT_EQ(tables.GetCount(), 4);

  const ST_TABLE* t = tables.GetTable(0);
  EXPECT_TRUE(t->ColName.empty());
  EXPECT_TRUE(t->DataSize.empty());
  EXPECT_EQ(t->TotalSize, 0);

  t = tables.GetTable(1);
  EXPECT_EQ(t->ColName, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(t->DataSize, (std::vector<int>{1, 1}));
  EXPECT_EQ(t->DataPos, (std::vector<int>{0, 1}));
  EXPECT_EQ(t->Mask, (std::vector<int>{0xFFFF, 0xFFFF}));
  EXPECT_EQ(t->TotalSize, 2);
  EXPECT_EQ(t->TableCount, 1);
  EXPECT_EQ(t->StartID, 0);
  EXPECT_EQ(t->DataType, 1);

  t = tables.GetTable(2);
  EXPECT_EQ(t->Name, "");
  EXPECT_EQ(t->ColName, (std::vector<std::string>{"X"}));
  EXPECT_EQ(t->DataPos, (std::vector<int>{4}));
  EXPECT_EQ(t->Mask, (std::vector<int>{0x0F}));
  EXPECT_EQ(t->TotalSize, 2);

  t = tables.GetTable(3);
  EXPECT_EQ(t->TableCount, 1);
  EXPECT_EQ(t->DataType, 1);
}

TEST_F(TablesTest, UnusableSizesAndCountsAreReportedAndTheTableLeftOut) {
  dir.Write("Table.dat",
            "[UDTable1]\r\nName=Huge\r\nTableCount=0x7FFFFFFF\r\n"
            "[UDTable2]\r\nName=Negative\r\nTableCount=-1\r\n"
            "[UDTable3]\r\nName=Largest\r\nTableCount=65536\r\nStartID=0xFFFF0000\r\nColName1=A\r\n"
            "DataSize1=0x7FFFFFFF\r\n"
            "[UDTable4]\r\nName=PastLastId\r\nTableCount=2\r\nStartID=0xFFFFFFFF\r\n"
            "[UDTable5]\r\nName=Overflow\r\nColName1=A\r\nDataSize1=-2147483648\r\nColName2=B\r\n"
            "DataSize2=-1\r\n"
            "[UDTable6]\r\nName=Sum\r\nColName1=A\r\nDataSize1=0x7FFFFFFF\r\nColName2=B\r\n"
            "[UDTable7]\r\nName=Empty\r\nTableCount=0\r\n");
  for (const char* what : {"[UDTable1] TableCount=0x7FFFFFFF", "[UDTable2] TableCount=-1",
                           "[UDTable4] TableCount=2", "[UDTable5] DataSize1=-2147483648", "[UDTable6] DataSize2="})
    ui.ExpectMessage(0x30, platform::kIdOk, std::string("Check setting. ( ") + what + " )");
  ASSERT_TRUE(tables.LoadFromFile(dir.File("Table.dat")));
  ASSERT_EQ(tables.GetCount(), 2);
  EXPECT_EQ(tables.GetTable(0)->Name, "Largest");
  EXPECT_EQ(tables.GetTable(0)->TotalSize, 0x7FFFFFFF);
  EXPECT_EQ(tables.GetTable(1)->Name, "Empty");
}

}  // namespace
