// The user tables' grid model: reading, showing and writing fields.
#include <gtest/gtest.h>

#include "rules/tablegridmodel.h"
#include "support/table_fixture.h"

using namespace testing_support;

namespace {

TEST_F(TableTest, AFailedEntryEndsTheReadAndLaterEntriesShowQuestionMarks) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x100\r\nTableCount=4\r\nColName1=A\r\n");
  target.SetRegister(0x100, 0x11);
  target.SetReadError(0x102, sim_error::kNoId);
  ui.ExpectMessage(0x10, platform::kIdOk);  // the target control's report
  model.EnsureRead();
  EXPECT_EQ(Column(0) + "|" + Column(1) + "|" + Column(2) + "|" + Column(3), "17|0|?|?");
  ui.ExpectMessage(0x10, platform::kIdOk, "Table data is not readed !");
  EXPECT_FALSE(model.EditField(2, 0));
}

TEST_F(TableTest, ValuesOutsideTheFieldAreRefusedAndNothingIsWritten) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x300\r\nColName1=A\r\nColName2=B\r\nMask2=0xF0\r\n");
  target.SetRegister(0x300, 3);
  model.EnsureRead();
  const std::pair<const char*, const char*> refused[] = {
      {"256", "Range check error ! Input 256 Max 255"},
      {"-1", "Range check error ! Input -1 Max 255"},
  };
  for (const auto& r : refused) {
    ui.ExpectInput(r.first).ExpectMessage(0x10, platform::kIdOk, r.second);
    EXPECT_FALSE(model.EditField(0, 0));
  }
  // A four-bit field holds 0 to 15.
  ui.ExpectInput("16").ExpectMessage(0x10, platform::kIdOk, "Range check error ! Input 16 Max 15");
  EXPECT_FALSE(model.EditField(0, 1));
  EXPECT_EQ(Commands(), "F0");
}

TEST_F(TableTest, AnEditReadsTheEntryAgainReplacesTheFieldAndWritesTheEntry) {
  Load("[UDTable1]\r\nName=T\r\nStartID=0x300\r\nTableCount=2\r\nColName1=A\r\nColName2=B\r\nMask2=0x0F\r\n");
  target.SetRegister(0x301, 0xA5);
  target.SetRegister(0x302, 0x33);
  model.EnsureRead();
  EXPECT_EQ(Column(1), "165,3");
  // Changed on the target since the table was read: the write keeps it.
  target.SetRegister(0x301, 0x77);
  ui.ExpectInput("9");
  EXPECT_TRUE(model.EditField(1, 1));
  EXPECT_EQ(ui.prompts.back(), "Input: Table 2 B [3]");
  EXPECT_EQ(Commands(), "F0 F0 F0 F1");
  EXPECT_EQ(target.Register(0x301), 0x77);
  EXPECT_EQ(target.Register(0x302), 0x39);  // the bits outside the mask as read
  EXPECT_EQ(Column(1), "119,9");            // what was written
}

TEST_F(TableTest, FieldsOfOtherSizesOrPositionsAreRefusedBeforeAnyRead) {
  Load("[UDTable1]\r\nName=Wide\r\nColName1=A\r\nColName2=B\r\nDataSize2=4\r\n"
       "[UDTable2]\r\nName=Neg\r\nColName1=A\r\nDataPos1=-1\r\n");
  ui.ExpectMessage(0x10, platform::kIdOk, "Table Wide : field B (DataSize 4, DataPos 1) cannot be used");
  model.EnsureRead();
  EXPECT_EQ(Column(0), "?,?");
  model.SetCurrentTable(1);
  ui.ExpectMessage(0x10, platform::kIdOk, "field A (DataSize 1, DataPos -1)");
  model.EnsureRead();
  EXPECT_EQ(target.FrameCount(), 0u);
}

TEST_F(TableTest, TheEntryHoldsTheFurthestFieldEvenBeyondTotalSize) {
  // TotalSize counts 3 bytes, but B ends at byte 5.
  Load("[UDTable1]\r\nName=T\r\nStartID=0x500\r\nColName1=A\r\nColName2=B\r\nDataSize2=2\r\nDataPos2=3\r\n");
  for (int i = 0; i < 5; ++i) target.SetRegister(0x500 + i, static_cast<uint16_t>(0x10 + i));
  model.EnsureRead();
  EXPECT_EQ(Column(0), "16,4884");  // 0x13 0x14
  ui.ExpectInput("0x2021");
  EXPECT_TRUE(model.EditField(0, 1));
  EXPECT_EQ(target.Register(0x503), 0x20);
  EXPECT_EQ(target.Register(0x504), 0x21);
}

TEST_F(TableTest, WordAccessCarriesTheEntryBytesHighByteFirst) {
  Load("[UDTable1]\r\nName=Ch\r\nStartID=0x3000\r\nDataType=2\r\n"
       "ColName1=Channel\r\nMask1=0xFF\r\nColName2=Band\r\nDataPos2=1\r\nMask2=0x0F\r\n"
       "[UDTable2]\r\nName=Odd\r\nStartID=0x3100\r\nDataType=2\r\nColName1=High\r\n");
  target.SetRegister(0x3000, 0x12A3);
  target.SetRegister(0x3001, 0xBEEF);
  model.EnsureRead();
  EXPECT_EQ(Column(0), "18,3");
  ui.ExpectInput("5");
  EXPECT_TRUE(model.EditField(0, 1));
  EXPECT_EQ(target.Register(0x3000), 0x12A5);
  EXPECT_EQ(target.Register(0x3001), 0xBEEF);

  // One byte in a word: the other byte goes back as it was read.
  model.SetCurrentTable(1);
  target.SetRegister(0x3100, 0xAB12);
  model.EnsureRead();
  EXPECT_EQ(Column(0), "171");
  ui.ExpectInput("1");
  EXPECT_TRUE(model.EditField(0, 0));
  EXPECT_EQ(target.Register(0x3100), 0x0112);
}

// The bar's maximum is the entries to read, so even a table of one entry has
// a bar with an end (Qt shows a maximum of 0 as busy); it ends empty.
TEST_F(TableTest, TheProgressBarRunsOverTheEntriesAndEndsEmpty) {
  for (const char* count : {"1", "3"}) {
    Load(std::string("[UDTable1]\r\nName=T\r\nStartID=0x100\r\nTableCount=") + count + "\r\nColName1=A\r\n");
    model.SetCurrentTable(0);
    std::vector<std::pair<int, int>> bar;
    model.Reload([&bar](int max, int position) { bar.emplace_back(max, position); });
    const int entries = std::stoi(count);
    ASSERT_FALSE(bar.empty());
    for (const auto& step : bar) EXPECT_EQ(step.first, entries) << count;
    EXPECT_EQ(bar[bar.size() - 2].second, entries) << count;  // full once every entry is read
    EXPECT_EQ(bar.back().second, 0) << count;
  }
}

TEST_F(TableTest, NoTableMeansNothingToDo) {
  Tables none;
  rules::TableGridModel empty(none, tc, ui);
  empty.EnsureRead();
  EXPECT_EQ(empty.Entries(), 0);
  EXPECT_FALSE(empty.EditField(0, 0));
  EXPECT_EQ(target.FrameCount(), 0u);
}

}  // namespace
