// Printing through the real script window (offscreen): a script prints 4,999
// lines, as many as the window keeps besides the line being written, one print
// a line ("line 0" to "line 4998") or all in one print ("line" each), and the
// time runs from its start until the memo holds every line and has been
// painted. Floor: the lines of the first handed to the window in one
// go, written into the memo and painted once.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/mainwindowservices.h"
#include "rules/scriptwindowrules.h"
#include "script/compiler/jcompiler.h"
#include "script/compiler/lexer.h"
#include "script/machine/jexecutable.h"
#include "ui/frmscriptwindow.h"
#include "ui/qtscripthost.h"

namespace {

constexpr int kLines = static_cast<int>(rules::kScriptWindowLines) - 1;

bool Complete(const TfrmScriptWindow& w) { return w.mmJOutput->document()->blockCount() > kLines; }

void Floor(benchmark::State& state) {
  std::string text;
  for (int i = 0; i < kLines; ++i) text += "line " + std::to_string(i) + "\n";
  for (auto _ : state) {
    state.PauseTiming();
    auto w = std::make_unique<TfrmScriptWindow>();
    w->show();
    QApplication::processEvents();
    state.ResumeTiming();
    w->Print(text);
    w->Flush();
    w->mmJOutput->viewport()->repaint();
    state.PauseTiming();
    if (!Complete(*w)) state.SkipWithError("lines missing");
    w.reset();
    state.ResumeTiming();
  }
}

void RunScript(benchmark::State& state, const std::string& body) {
  platform::SilentServices services;
  ui::QtScriptHost host{services};
  const std::vector<std::string> lines{"func main(a&, n) { var i; " + body + " return 0; }"};
  for (auto _ : state) {
    state.PauseTiming();
    TJCompiler compiler;
    auto exe = std::make_unique<TJExecutable>(TJExecutable::kDefaultStackSize, &host);
    TStringListSource source(&lines);
    if (!compiler.Compile(source, *exe, {"1"})) {
      state.SkipWithError(compiler.GetErrorMessage().c_str());
      return;
    }
    TfrmScriptWindow& w = static_cast<ui::QtScriptWindow&>(exe->Window()).Form();
    exe->ShowWindow();
    QApplication::processEvents();
    state.ResumeTiming();
    exe->Continue();
    while (!Complete(w)) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    w.mmJOutput->viewport()->repaint();
    state.PauseTiming();
    exe->WaitDone();
    exe.reset();
    state.ResumeTiming();
  }
}

void ScriptPrintsEachLine(benchmark::State& state) {
  RunScript(state, "while i < " + std::to_string(kLines) + " { print(\"line \", i, \"\\n\"); i = i + 1; }");
}

void ScriptPrintsOnce(benchmark::State& state) {
  RunScript(state, "print(\"line\\n\" * " + std::to_string(kLines) + ");");
}

}  // namespace

BENCHMARK(Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(ScriptPrintsEachLine)->Unit(benchmark::kMillisecond);
BENCHMARK(ScriptPrintsOnce)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
