// bench_stop_latency MS FILE: starts a script file as the program does (no
// screen), stops it after MS milliseconds and prints how long the stop took to
// end the run, in microseconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "script/builtins/modules.h"
#include "script/machine/jexecutable.h"
#include "script/scripthost.h"
#include "script/scriptmanager.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_stop_latency MS FILE\n");
    return 2;
  }
  HeadlessScriptHost host;
  TScriptManager manager(argv[2], 1, &host);
  if (!manager.Start()) {
    std::fprintf(stderr, "%s\n", manager.GetLastError().c_str());
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(argv[1])));
  if (manager.IsFinished()) {
    std::fprintf(stderr, "the script ended before the stop\n");
    return 1;
  }
  const auto from = std::chrono::steady_clock::now();
  manager.StopAll();
  manager.Slot(0)->WaitDone();
  const auto took = std::chrono::steady_clock::now() - from;
  std::printf("%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(took).count()));
  return 0;
}
