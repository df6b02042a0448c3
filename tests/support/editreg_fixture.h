// The register value session on a register set of its own, writes recorded.
#pragma once
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "model/registers.h"
#include "model/systemfunc.h"
#include "platform/convert.h"
#include "rules/editregrules.h"

namespace testing_support {

using rules::EditRegSession;
using Key = EditRegSession::Key;

class EditRegTest : public ::testing::Test {
 protected:
  ST_REGISTER Reg(uint32_t id, uint32_t mask, int max, int min = 0) { return {"", "", id, mask, max, min}; }
  rules::RegisterWriter Writer() {
    return [this](uint32_t, uint32_t word) {
      if (!failWrites) writes.push_back(word);
      return !failWrites;
    };
  }
  EditRegSession Open(const ST_REGISTER& reg, int word, bool hex = false) {
    regs.SetValue(reg.ID, word);
    EditRegSession s(regs, reg, ExtractByMask(word, static_cast<int>(reg.Mask)), hex, Writer());
    s.Start();
    return s;
  }

  Registers regs;
  std::vector<uint32_t> writes;  // the words written
  bool failWrites = false;
};

}  // namespace testing_support
