// Table.dat and the table window's model: every table loaded, its grid texts,
// and for small tables the read from the target, an edit and a reload.
#include <string>

#include "fuzz_support.h"
#include "model/tables.h"
#include "rules/tablegridmodel.h"
#include "sim_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::QuietUi ui;
  const std::string path = fuzz::WriteHomeFile("Table.dat", fuzz::Text(data, size));
  Tables tables;
  tables.LoadFromFile(path, ui);
  fuzz::SimSession session(ui);
  rules::TableGridModel model(tables, session.tc, ui);
  for (int t = 0; t < tables.GetCount() && t < 8; ++t) {
    model.SetCurrentTable(t);
    model.TableName(t);
    // Every entry's caption and field's name; values only for what is read.
    for (int e = 0; e < model.Entries(); e += 1 + model.Entries() / 64) model.EntryCaption(e);
    for (int f = 0; f < model.Fields(); ++f) model.FieldCaption(f);
    if (model.Entries() > 64) continue;  // each entry is an exchange
    model.EnsureRead();
    for (int e = 0; e < model.Entries(); ++e)
      for (int f = 0; f < model.Fields(); ++f) model.ValueText(e, f);
    ui.inputs.push_back(std::to_string(size % 300));
    model.EditField(0, 0);
    model.ToggleHexadecimal();
    model.ValueText(0, 0);
    model.Reload();
  }
  return 0;
}
