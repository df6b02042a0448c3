// vund-script-run FILE [ARG...]: runs a script file as the program's script
// command does, with the real built-ins but no target, and writes what the
// script window shows and the box the program would show at the end:
//   ----- script window -----
//   each line of the window, a red one after "[red]"
//   ----- result -----
//   "Script Error box: " and the box's text, or "OK (no box)"
// The text is the program's own (CP932), as the window holds it. Dialogs
// answer Cancel.
#include <cstdio>
#include <string>
#include <vector>

#include "script/builtins/modules.h"
#include "script/machine/jexecutable.h"
#include "script/scripthost.h"
#include "script/scriptmanager.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vund-script-run FILE [ARG...]\n");
    return 2;
  }
  HeadlessScriptHost host;
  TScriptManager manager(argv[1], 1, &host);
  manager.Start(std::vector<std::string>(argv + 2, argv + argc));
  // Waits for the script's thread, as the program's timer does once it has ended.
  const bool ok = manager.CollectResults();

  std::string out = "----- script window -----\n";
  if (TJExecutable* slot = manager.Slot(0)) {  // none when it did not compile
    for (const ScriptOutputLine& line : static_cast<HeadlessScriptWindow&>(slot->Window()).Output().Lines())
      out += (line.color == kScriptErrorColor ? "[red]" : "") + line.text + "\n";
  }
  out += "----- result -----\n";
  out += ok ? "OK (no box)\n" : "Script Error box: " + manager.GetLastError() + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return ok ? 0 : 1;
}
