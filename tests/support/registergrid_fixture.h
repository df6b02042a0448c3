// The register grid presenter over the S Reg file, pairs 40 + 60 wide.
#pragma once
#include <gtest/gtest.h>

#include "link/workspace.h"
#include "model/registers.h"
#include "rules/registergridrules.h"
#include "support/scripted_ui.h"

namespace testing_support {

using rules::RegisterGridPresenter;
using Key = RegisterGridPresenter::Key;

inline ST_REGISTER Reg(const std::string& name, uint32_t id, int tab, uint32_t mask = 0xFFFF) {
  return {"", name, id, mask, 255, 0, tab};  // the short name only, values up to 255
}

class RegisterGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui.SetForceEnglish(true);
    p.SetKeptSizes(40, 60, 18);  // with grid lines: 104 pixels a pair
  }
  void AddRegs(int n, int tab = 1) {
    for (int i = 0; i < n; ++i) ws.SRegisters.AddRegister(Reg("R" + std::to_string(i), 0x100 + i, tab));
  }
  void Metrics(int width) { p.SetViewMetrics({width, 50, 16}); }  // 50 rows, a 16-pixel scroll bar

  ScriptedUi ui;
  Workspace ws{ui};
  RegisterGridPresenter p{ws};
};

}  // namespace testing_support
