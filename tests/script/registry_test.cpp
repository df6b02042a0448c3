#include <gtest/gtest.h>

#include "script/registry.h"

namespace {

TEST(RegistryTest, OwnsWhatItHoldsAndFreesInstructionsOnce) {
  TJMemoryManager registry;
  vmcode_t* a = new vmcode_t;
  vmcode_t* b = new vmcode_t;
  b->sval = std::string(100, 'x');
  registry.AddInstruction(a);
  registry.AddInstruction(a);
  registry.AddInstruction(b);
  auto* f = new funcdata;
  f->name = std::string(100, 'f');
  registry.AddFunc(f);
  registry.AddVar(new vardata);
  EXPECT_EQ(registry.InstructionCount(), 2u);
  registry.FreeInstruction(a);
  registry.FreeInstruction(a);  // no longer held: left alone
  EXPECT_EQ(registry.InstructionCount(), 1u);
  vmcode_t stack;
  registry.FreeInstruction(&stack);  // never registered
  registry.Clear();
  EXPECT_EQ(registry.InstructionCount() + registry.FuncCount() + registry.VarCount(), 0u);
  registry.AddInstruction(new vmcode_t);  // the destructor frees the rest (ASan checks)
}

}  // namespace
