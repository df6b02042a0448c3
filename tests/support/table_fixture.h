// User tables read and written through the simulated target.
#pragma once
#include <gtest/gtest.h>

#include "model/tables.h"
#include "platform/convert.h"
#include "rules/tablegridmodel.h"
#include "support/simtarget_fixture.h"

namespace testing_support {

class TableTest : public ui_sim::SimTargetTest {
 protected:
  void Load(const std::string& text) { dir.Write("Table.dat", text); ASSERT_TRUE(ws.UserTables.LoadFromFile(dir.File("Table.dat"), ui)); }
  std::string Column(int entry) const {
    std::string s;
    for (int f = 0; f < model.Fields(); ++f) s += (f ? "," : "") + model.ValueText(entry, f);
    return s;
  }

  rules::TableGridModel model{ws.UserTables, tc, ui};
};

}  // namespace testing_support
