// The script window: how printed text becomes memo lines, error lines in red,
// saving the output, and what the window built-ins change.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "script/jcompiler.h"
#include "script/jexecutable.h"
#include "script/lexer.h"
#include "script/scriptoutput.h"
#include "support/temp_dir.h"
#include "ui/frmscriptwindow.h"
#include "ui/qtscripthost.h"
#include "ui/scriptwindowrules.h"
#include "ui/textconv.h"

namespace {

std::vector<std::string> Texts(const TScriptOutput& out) {
  std::vector<std::string> texts;
  for (const ScriptOutputLine& l : out.Lines()) texts.push_back(l.text);
  return texts;
}

using Lines = std::vector<std::string>;

// (How print, carriage returns and line feeds make lines: cases/print.jsc.)
TEST(ScriptOutputTest, LongLinesBreakAfter2048BytesWithoutSplittingACharacter) {
  TScriptOutput out;
  out.Print(std::string(5000, 'x'));
  const Lines lines = Texts(out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), 2048u);
  EXPECT_EQ(lines[1].size(), 2048u);
  EXPECT_EQ(lines[2].size(), 904u);

  // A double-byte character whose first byte would be the 2048th goes on
  // to the next line whole.
  TScriptOutput dbcs;
  const std::string kana = "\x83\x41";  // one Shift-JIS character
  dbcs.Print(std::string(2047, 'y') + kana + "z");
  const Lines split = Texts(dbcs);
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[0], std::string(2047, 'y'));
  EXPECT_EQ(split[1], kana + "z");
}

// The window takes the lines changed since it last looked, from the first of
// them to the end; only the first change after a look asks for the next one.
TEST(ScriptOutputTest, ChangesAreTakenOnceFromTheFirstChangedLine) {
  TScriptOutput out;
  std::vector<ScriptOutputLine> taken;
  EXPECT_TRUE(out.Print("a\nb\n"));
  EXPECT_FALSE(out.Print("c"));
  EXPECT_EQ(out.Backlog(), 3u);
  EXPECT_EQ(out.TakeChanges(taken), 0);
  EXPECT_EQ(taken.size(), 3u);
  EXPECT_EQ(out.TakeChanges(taken), -1);
  EXPECT_EQ(out.Backlog(), 0u);
  EXPECT_TRUE(out.Print("\r"));  // the line is written again and starts over
  EXPECT_FALSE(out.Print(""));
  out.Print("\nerr", 255);
  EXPECT_EQ(out.TakeChanges(taken), 2);
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0].text, "c");
  EXPECT_EQ(taken[1].text, "err");
  EXPECT_EQ(taken[1].color, 255);
  EXPECT_EQ(out.Text(), "a\r\nb\r\nc\r\nerr\r\n");
  out.Clear();
  EXPECT_EQ(out.LineCount(), 0);
  EXPECT_EQ(out.TakeChanges(taken), -1);
}

TEST(ScriptOutputTest, SystemColoursBecomeTheirUsualValues) {
  EXPECT_EQ(ui::ResolveScriptColor(0x0000FF), 0x0000FF);
  EXPECT_EQ(ui::ResolveScriptColor(0x80000005), 0xFFFFFF);  // window background
  EXPECT_EQ(ui::ResolveScriptColor(0x800000FF), 0);
}

std::vector<QString> MemoLines(const TfrmScriptWindow& w) {
  std::vector<QString> lines;
  for (QTextBlock b = w.mmJOutput->document()->begin(); b.isValid(); b = b.next()) lines.push_back(b.text());
  return lines;
}

TEST(ScriptWindowTest, MemoFollowsThePrintedLinesAndShowingClearsIt) {
  TfrmScriptWindow w;
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Script Window"));
  w.show();
  w.Print("50%\r");
  w.Flush();
  EXPECT_EQ(MemoLines(w), std::vector<QString>({QStringLiteral("50%")}));
  w.Print("60%\r");
  w.Print("done\n");
  w.Flush();
  EXPECT_EQ(MemoLines(w), std::vector<QString>({QStringLiteral("done"), QString()}));
  // Japanese text reaches the memo decoded.
  w.Print("\x93\xfa\x96\x7b");  // 日本
  w.Flush();
  EXPECT_EQ(MemoLines(w), std::vector<QString>({QStringLiteral("done"), ui::ToQt("\x93\xfa\x96\x7b")}));

  w.hide();
  w.show();
  EXPECT_EQ(w.mmJOutput->toPlainText(), QString());
  EXPECT_EQ(w.Output().LineCount(), 0);
}

// A script's print does not wait for the main thread: all of its lines are
// written while nothing is pumped, and every line printed before a stop shows
// at the window's next refresh.
TEST(ScriptWindowTest, AScriptPrintsWithoutWaitingForTheMainThread) {
  ui::QtScriptHost host;
  TJExecutable exe(TJExecutable::kDefaultStackSize, &host);
  const std::vector<std::string> lines{
      "func main(a&, n) { var i; while i < 1000 { print(i, \"\\n\"); i = i + 1; } while 1 { } }"};
  TStringListSource source(&lines);
  TJCompiler compiler;
  ASSERT_TRUE(compiler.Compile(source, exe, {"1"})) << compiler.GetErrorMessage();
  TfrmScriptWindow& w = static_cast<ui::QtScriptWindow&>(exe.Window()).Form();
  exe.ShowWindow();
  exe.Continue();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (w.Output().LineCount() < 1001 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_EQ(w.Output().LineCount(), 1001) << "printing waited for the main thread";
  exe.Stop();
  while (w.mmJOutput->document()->blockCount() < 1001 && std::chrono::steady_clock::now() < deadline)
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  const std::vector<QString> memo = MemoLines(w);
  ASSERT_EQ(memo.size(), 1001u);
  EXPECT_EQ(memo[0], QStringLiteral("0"));
  EXPECT_EQ(memo[999], QStringLiteral("999"));
}

TEST(ScriptWindowTest, ErrorLinesAreRedAndTheRestFollowsTheTextColour) {
  TfrmScriptWindow w;
  w.show();
  w.Print("ok\n");
  w.PrintError("RUNTIME ERROR: x");
  w.Flush();
  w.SetTextColor(0xFF0000);  // blue
  QTextBlock first = w.mmJOutput->document()->begin();
  QTextBlock second = first.next();
  ASSERT_TRUE(second.isValid());
  EXPECT_FALSE(first.begin().fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush));
  EXPECT_EQ(second.begin().fragment().charFormat().foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(w.mmJOutput->palette().color(QPalette::Text), QColor(0, 0, 255));
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

TEST(ScriptWindowTest, ProgressIsClampedAndTheTitleColourIsBlueGreenRed) {
  TfrmScriptWindow w;
  w.show();
  w.SetProgress(42);
  EXPECT_EQ(w.Progress(), 42);
  w.SetProgress(150);
  EXPECT_EQ(w.Progress(), 100);
  w.SetProgress(-3);
  EXPECT_EQ(w.Progress(), 0);
  w.SetTitleColor(0x0000FF);
  EXPECT_EQ(w.StaticText1->palette().color(QPalette::Window), QColor(255, 0, 0));
}

}  // namespace
