// Two refresh items of one register in vund.dat, and a reader that counts.
#pragma once
#include <gtest/gtest.h>

#include "link/workspace.h"
#include "model/vunddata.h"
#include "rules/statuswindowrules.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace testing_support {

using rules::StatusWindowState;

class StatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.SetForceEnglish(true);
    // Two items share register 0x10: its low and high nibble.
    dir.Write("vund.dat",
              "[EcsSettings]\r\nRefreshTime=500\r\n"
              "Refresh1=Lo\r\nRefreshID1=0x10\r\nRefreshMask1=15\r\n"
              "Refresh2=Hi\r\nRefreshID2=0x10\r\nRefreshMask2=240\r\n");
    ASSERT_TRUE(ws.vund.LoadVundData());
  }
  std::vector<RegSetting> RefreshList() const { std::vector<RegSetting> list; ws.vund.GetRefreshList(list); return list; }
  // Reads fail, or give every register value.
  rules::RefreshReader Reader(bool ok, int value = 0) {
    return [this, ok, value](std::map<int, int>& values) {
      ++reads;
      for (auto& v : values) v.second = ok ? value : v.second;
      return ok;
    };
  }

  TempDir dir;
  ScopedHome home{dir.Path()};
  ScriptedUi ui;
  Workspace ws{ui};
  int reads = 0;
};

}  // namespace testing_support
