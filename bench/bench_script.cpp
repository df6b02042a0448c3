// The script machine's speed on compiled scripts (the whole prelude included),
// run on the calling thread with the headless host.
//
// CountingLoop: while (i < 10000000) { i = i + 1; }: 11 instructions a turn.
// Calls: 1000000 calls of func f(x) { return x + 1; }: 20 instructions a turn
//   (loop and call 16, the callee 4).
// Strings: 1000000 turns of s = "abc" + i; n = n + strLength s;
//   then 10000 appends u = u + "x": 24 and 17 instructions a turn.
// Reported: instructions per second ("instr/s") and the time of one run.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"

namespace {

void RunScript(benchmark::State& state, const std::vector<std::string>& lines, double instructions) {
  for (auto _ : state) {
    state.PauseTiming();
    TJCompiler compiler;
    auto exe = std::make_unique<TJExecutable>();
    TStringListSource source(&lines);
    if (!compiler.Compile(source, *exe, {"1"})) {
      state.SkipWithError(compiler.GetErrorMessage().c_str());
      return;
    }
    state.ResumeTiming();
    int exit = exe->RunHere();
    state.PauseTiming();
    if (exit != 0 || exe->GetReturnValue().kind != dtInteger) state.SkipWithError(exe->GetErrorText().c_str());
    benchmark::DoNotOptimize(exe->GetReturnValue().ival);
    exe.reset();
    state.ResumeTiming();
  }
  state.counters["instr/s"] =
      benchmark::Counter(instructions * double(state.iterations()), benchmark::Counter::kIsRate);
}

void CountingLoop(benchmark::State& state) {
  RunScript(state,
            {"func main(a&, n) {", "  var i;", "  while (i < 10000000) { i = i + 1; }", "  return i - 10000000;",
             "}"},
            11.0 * 10000000);
}

void Calls(benchmark::State& state) {
  RunScript(state,
            {"func f(x) { return x + 1; }", "func main(a&, n) {", "  var i, s;",
             "  while (i < 1000000) { s = f(s); i = i + 1; }", "  return s - 1000000;", "}"},
            20.0 * 1000000);
}

void Strings(benchmark::State& state) {
  RunScript(state,
            {"func main(a&, n) {", "  var i, s, k, u;",
             "  while (i < 1000000) { s = \"abc\" + i; k = k + strLength s; i = i + 1; }", "  i = 0;",
             "  while (i < 10000) { u = u + \"x\"; i = i + 1; }", "  return strLength u - 10000;", "}"},
            24.0 * 1000000 + 17.0 * 10000);
}

}  // namespace

BENCHMARK(CountingLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(Calls)->Unit(benchmark::kMillisecond);
BENCHMARK(Strings)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
