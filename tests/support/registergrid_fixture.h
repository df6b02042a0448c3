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
  ST_REGISTER r;
  r.ShortName = name;
  r.ID = id;
  r.Tab = tab;
  r.Mask = mask;
  r.Max = 255;
  return r;
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
  void Metrics(int width) {
    RegisterGridPresenter::ViewMetrics m;
    m.width = width;
    m.visibleRows = 50;
    m.scrollBarWidth = 16;
    p.SetViewMetrics(m);
  }

  ScriptedUi ui;
  Workspace ws{ui};
  RegisterGridPresenter p{ws};
};

}  // namespace testing_support
