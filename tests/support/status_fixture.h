// Two refresh items of one register in vund.dat, and a reader that counts.
#pragma once
#include <gtest/gtest.h>

#include "model/registers.h"
#include "model/systemfunc.h"
#include "model/vunddata.h"
#include "rules/pollinghold.h"
#include "rules/statuswindowrules.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace testing_support {

using ui::StatusWindowState;

inline std::vector<RegSetting> RefreshList() {
  std::vector<RegSetting> list;
  GetRefreshList(list);
  return list;
}

class StatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetForceEnglish(true);
    // Two items share register 0x10: its low and high nibble.
    dir.Write("vund.dat",
              "[EcsSettings]\r\nRefreshTime=500\r\n"
              "Refresh1=Lo\r\nRefreshID1=0x10\r\nRefreshMask1=15\r\n"
              "Refresh2=Hi\r\nRefreshID2=0x10\r\nRefreshMask2=240\r\n");
    ASSERT_TRUE(LoadVundData());
  }
  void TearDown() override {
    ResetVundData();
    SetForceEnglish(false);
  }

  ui::RefreshReader Reader(bool ok, int value = 0) {
    return [this, ok, value](std::map<int, int>& values) {
      ++reads;
      for (auto& v : values) v.second = ok ? value : v.second;
      return ok;
    };
  }

  TempDir dir;
  ScopedHome home{dir.Path()};
  int reads = 0;
};

}  // namespace testing_support
