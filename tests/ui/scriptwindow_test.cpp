// The script window: how printed text becomes memo lines, error lines in red,
// saving the output, and what the window built-ins change.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "ui/frmscriptwindow.h"
#include "ui/scriptwindowrules.h"
#include "ui/textconv.h"

namespace {

std::vector<std::string> Texts(const ui::TScriptOutput& out) {
  std::vector<std::string> texts;
  for (const ui::ScriptOutputLine& l : out.Lines()) texts.push_back(l.text);
  return texts;
}

using Lines = std::vector<std::string>;

TEST(ScriptOutputTest, CarriageReturnOverwritesAndLineFeedStartsANewLine) {
  ui::TScriptOutput out;
  out.Print("50%\r");
  out.Print("x");  // the whole line is replaced, not overwritten from its start
  EXPECT_EQ(Texts(out), Lines({"x"}));

  ui::TScriptOutput ab;
  ab.Print("a");
  EXPECT_EQ(Texts(ab), Lines({"a"}));  // an unfinished line shows at once
  ab.Print("b\n");
  EXPECT_EQ(Texts(ab), Lines({"ab", ""}));
  ab.Print("\nc");
  EXPECT_EQ(Texts(ab), Lines({"ab", "", "c"}));

  ui::TScriptOutput first;
  first.Print("\n\nz");
  EXPECT_EQ(Texts(first), Lines({"", "", "z"}));
}

TEST(ScriptOutputTest, LongLinesBreakAfter2048BytesWithoutSplittingACharacter) {
  ui::TScriptOutput out;
  out.Print(std::string(5000, 'x'));
  const Lines lines = Texts(out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].size(), 2048u);
  EXPECT_EQ(lines[1].size(), 2048u);
  EXPECT_EQ(lines[2].size(), 904u);

  // A double-byte character whose first byte would be the 2048th goes on
  // to the next line whole.
  ui::TScriptOutput dbcs;
  const std::string kana = "\x83\x41";  // one Shift-JIS character
  dbcs.Print(std::string(2047, 'y') + kana + "z");
  const Lines split = Texts(dbcs);
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(split[0], std::string(2047, 'y'));
  EXPECT_EQ(split[1], kana + "z");
}

TEST(ScriptOutputTest, ReportsTheFirstChangedLineAndKeepsColoursAndFileForm) {
  ui::TScriptOutput out;
  EXPECT_EQ(out.Print("a\nb\n"), 0);
  EXPECT_EQ(out.Print("c"), 2);
  EXPECT_EQ(out.Print("\r"), 2);  // the line is written again and starts over
  EXPECT_EQ(out.Print(""), -1);
  out.Print("\nerr", 255);
  const std::vector<ui::ScriptOutputLine> lines = out.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].color, -1);
  EXPECT_EQ(lines[3].text, "err");
  EXPECT_EQ(lines[3].color, 255);
  ASSERT_EQ(out.Lines(3).size(), 1u);
  EXPECT_EQ(out.Lines(3)[0].text, "err");
  EXPECT_TRUE(out.Lines(9).empty());
  EXPECT_EQ(out.Text(), "a\r\nb\r\nc\r\nerr\r\n");
  out.Clear();
  EXPECT_EQ(out.LineCount(), 0);
  EXPECT_EQ(out.Text(), "");
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
  w.Print("60%\r");
  w.Print("done\n");
  // Japanese text reaches the memo decoded.
  w.Print("\x93\xfa\x96\x7b");  // 日本
  std::vector<QString> lines = MemoLines(w);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], QStringLiteral("done"));
  EXPECT_EQ(lines[1], ui::ToQt("\x93\xfa\x96\x7b"));

  w.hide();
  w.show();
  EXPECT_EQ(w.mmJOutput->toPlainText(), QString());
  EXPECT_EQ(w.Output().LineCount(), 0);
}

TEST(ScriptWindowTest, ErrorLinesAreRedAndTheRestFollowsTheTextColour) {
  TfrmScriptWindow w;
  w.show();
  w.Print("ok\n");
  w.PrintError("RUNTIME ERROR: x");
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
