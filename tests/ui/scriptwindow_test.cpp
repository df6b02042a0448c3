// The script window: how printed text becomes memo lines, error lines in red,
// saving the output.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/mainwindowservices.h"
#include "rules/scriptwindowrules.h"
#include "script/compiler/jcompiler.h"
#include "script/compiler/lexer.h"
#include "script/machine/jexecutable.h"
#include "support/temp_dir.h"
#include "ui/frmscriptwindow.h"
#include "ui/qtscripthost.h"

namespace {

std::vector<QString> MemoLines(const TfrmScriptWindow& w) {
  std::vector<QString> lines;
  for (QTextBlock b = w.mmJOutput->document()->begin(); b.isValid(); b = b.next()) lines.push_back(b.text());
  return lines;
}

// A covered window comes up on a print, but never over a modal dialog of
// the program: then it waits for the dialog to go.
TEST(ScriptWindowRaiseTest, ACoveredWindowRisesAtOnceOrAfterTheModalDialog) {
  EXPECT_EQ(rules::RaiseOnPrint(3, false), rules::PrintRaise::None);
  EXPECT_EQ(rules::RaiseOnPrint(4, true), rules::PrintRaise::None);
  EXPECT_EQ(rules::RaiseOnPrint(2, false), rules::PrintRaise::Now);
  EXPECT_EQ(rules::RaiseOnPrint(0, true), rules::PrintRaise::AfterModal);
}

TEST(ScriptWindowTest, MemoFollowsThePrintedLinesAndErrorsAreRed) {
  TfrmScriptWindow w;
  w.show();
  w.Print("50%\r");
  w.Flush();
  EXPECT_EQ(MemoLines(w), std::vector<QString>({QStringLiteral("50%")}));
  w.Print("60%\r");
  w.Print("done\n");
  w.PrintError("RUNTIME ERROR: x");
  w.Flush();
  EXPECT_EQ(MemoLines(w), std::vector<QString>({QStringLiteral("done"), QStringLiteral("RUNTIME ERROR: x")}));
  const QTextBlock error = w.mmJOutput->document()->lastBlock();
  EXPECT_EQ(error.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
}

// A script's print does not wait for the main thread, and what it printed
// before a stop shows at the window's next refresh.
TEST(ScriptWindowTest, PrintingDoesNotWaitForTheMainThread) {
  platform::SilentServices services;
  ui::QtScriptHost host{services};
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  const std::vector<std::string> lines{
      "func main(a&, n) { var i; while i < 1000 { print(i, \"\\n\"); i = i + 1; } while 1 { } }"};
  TStringListSource source(&lines);
  ASSERT_TRUE(TJCompiler().Compile(source, exe, {"1"}));
  TfrmScriptWindow& w = static_cast<ui::QtScriptWindow&>(exe.Window()).Form();
  exe.ShowWindow();
  exe.Continue();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (w.Output().LineCount() < 1001 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  exe.Stop();
  while (w.mmJOutput->document()->blockCount() < 1001 && std::chrono::steady_clock::now() < deadline)
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  ASSERT_EQ(MemoLines(w).size(), 1001u);
  EXPECT_EQ(MemoLines(w)[999], QStringLiteral("999"));
}

// Printing without end keeps the most recent lines, in the memo as in what is
// saved, whether the dropped lines were shown or not; "\r" still rewrites.
TEST(ScriptWindowTest, KeepsOnlyTheMostRecentLines) {
  testing_support::TempDir dir;
  TfrmScriptWindow w;
  w.show();
  const int n = static_cast<int>(rules::kScriptWindowLines);
  int next = 0;
  const auto print = [&](int count, const std::string& tail) {
    std::string text;
    for (int end = next + count; next < end; ++next) text += std::to_string(next) + "\n";
    w.Print(text + tail);
    w.Flush();
    std::vector<QString> kept;
    for (const ScriptOutputLine& line : w.Output().Lines()) kept.push_back(QString::fromStdString(line.text));
    EXPECT_EQ(MemoLines(w), kept);
  };
  print(n - 2, "");
  print(5, "");  // four go
  EXPECT_EQ(MemoLines(w).front(), QStringLiteral("4"));
  print(2 * n, "50%\r60%");  // none of what was shown stays
  ASSERT_EQ(MemoLines(w).size(), static_cast<size_t>(n));
  EXPECT_EQ(MemoLines(w).front(), QString::number(next - n + 1));
  EXPECT_EQ(MemoLines(w).back(), QStringLiteral("60%"));
  ASSERT_TRUE(w.SaveOutput(dir.File("out.txt")));
  EXPECT_EQ(dir.Read("out.txt").substr(0, 7), std::to_string(next - n + 1) + "\r\n");
}

TEST(ScriptWindowTest, SavesTheLinesAndReportsAFailedSave) {
  testing_support::TempDir dir;
  TfrmScriptWindow w;
  w.show();
  w.Print("one\ntwo");
  EXPECT_TRUE(w.SaveOutput(dir.File("out.txt")));
  EXPECT_EQ(dir.Read("out.txt"), "one\r\ntwo\r\n");
  EXPECT_FALSE(w.SaveOutput(dir.File("missing/out.txt")));
}

}  // namespace
