#include <sys/stat.h>

#include <gtest/gtest.h>

#include "builtins_env.h"
#include "platform/files.h"
#include "script/sysfiles.h"
#include "support/temp_dir.h"

namespace {

using namespace builtins_test;

enum : int { kOpen = 1026, kCount, kGet, kSet, kAdd, kInsert, kDelete, kSave, kSaveAs, kClose, kCopy, kRemove,
             kRename, kExists, kCompare, kDirExists, kDirCreate, kDirEmpty, kDirCopy, kDirSync, kDirCompare, kMedia };

class ScriptFilesTest : public ::testing::Test {
 protected:
  int C(int id, Args a) { return Call(env_, id, a); }
  int Open(const std::string& name, int mode) { return C(kOpen, Args().Str(P(name)).Int(mode)); }
  std::string P(const std::string& name) { return dir_.File(name); }

  testing_support::TempDir dir_;
  TestEnv env_;
};

TEST_F(ScriptFilesTest, HandlesCountUpAndStartAgainOnceAllAreClosed) {
  EXPECT_EQ(Open("a.txt", fileNEW), 0);
  EXPECT_EQ(Open("b.txt", fileNEW), 1);
  EXPECT_EQ(C(kClose, Args().Int(0)), 0);
  EXPECT_EQ(Open("c.txt", fileNEW), 2);  // one still open: no reuse
  EXPECT_EQ(C(kClose, Args().Int(0)), -1);
  EXPECT_EQ(C(kClose, Args().Int(1)), 0);
  EXPECT_EQ(C(kClose, Args().Int(2)), 0);
  EXPECT_EQ(Open("a.txt", fileNEW), 0);
  EXPECT_EQ(Open("missing.txt", fileAPPEND), -1);
  EXPECT_EQ(Open("no/such/folder.txt", fileNEW), -1);
}

TEST_F(ScriptFilesTest, NewEmptiesAtOnceAndAppendLoadsEveryLineEnd) {
  dir_.Write("old.txt", "keep me\r\n");
  ASSERT_EQ(Open("old.txt", fileNEW), 0);
  EXPECT_EQ(dir_.Read("old.txt"), "");
  dir_.Write("mixed.txt", "one\r\ntwo\nthree\rfour");
  const int f = Open("mixed.txt", fileAPPEND);
  EXPECT_EQ(C(kCount, Args().Int(f)), 4);
  EXPECT_EQ(C(kCount, Args().Int(99)), -1);
  TStackData line;
  EXPECT_EQ(C(kGet, Args().Int(f).Int(2).Ref(&line)), 0);
  EXPECT_EQ(line.kind, dtString);
  EXPECT_EQ(line.sval, "three");
  EXPECT_EQ(C(kGet, Args().Int(f).Int(4).Ref(&line)), -1);
}

TEST_F(ScriptFilesTest, LineEditsAndSavesWithCrLf) {
  const int f = Open("edit.txt", fileNEW);
  EXPECT_EQ(C(kAdd, Args().Int(f).Str("b")), 0);
  EXPECT_EQ(C(kAdd, Args().Int(f).Str("d")), 0);
  EXPECT_EQ(C(kInsert, Args().Int(f).Int(0).Str("a")), 0);
  EXPECT_EQ(C(kInsert, Args().Int(f).Int(3).Str("x")), -1);  // appending is fileAddLine's
  EXPECT_EQ(C(kSet, Args().Int(f).Int(2).Str("c")), 0);
  EXPECT_EQ(C(kDelete, Args().Int(f).Int(0)), 0);
  EXPECT_EQ(C(kDelete, Args().Int(f).Int(-1)), -1);
  EXPECT_EQ(C(kSaveAs, Args().Int(f).Str(P("copy.txt"))), 0);
  EXPECT_EQ(dir_.Read("copy.txt"), "b\r\nc\r\n");
  EXPECT_EQ(C(kSave, Args().Int(f)), 0);  // still the entry's own name
  EXPECT_EQ(dir_.Read("edit.txt"), "b\r\nc\r\n");
  // A read-only file is not replaced.
  ASSERT_TRUE(platform::SetReadOnly(P("edit.txt"), true));
  C(kAdd, Args().Int(f).Str("e"));
  EXPECT_EQ(C(kSave, Args().Int(f)), -1);
  EXPECT_EQ(dir_.Read("edit.txt"), "b\r\nc\r\n");
  EXPECT_EQ(C(kClose, Args().Int(f)), 0);
  EXPECT_EQ(C(kSave, Args().Int(f)), -1);
}

TEST_F(ScriptFilesTest, CopyDeleteRenameAndCompare) {
  dir_.Write("a.dat", "12345");
  EXPECT_EQ(C(kCopy, Args().Str(P("b.dat")).Str(P("a.dat"))), 0);
  EXPECT_EQ(C(kCompare, Args().Str(P("a.dat")).Str(P("b.dat"))), 0);
  EXPECT_EQ(C(kCompare, Args().Str(P("x.dat")).Str(P("y.dat"))), 1);
  EXPECT_EQ(C(kCompare, Args().Str(P("a.dat")).Str(P("a.dat"))), 0);
  dir_.Write("b.dat", "12346");
  EXPECT_EQ(C(kCompare, Args().Str(P("a.dat")).Str(P("b.dat"))), 1);

  EXPECT_EQ(C(kRename, Args().Str(P("b.dat")).Str(P("c.dat"))), 0);
  EXPECT_EQ(C(kExists, Args().Str(P("c.dat"))), 1);
  EXPECT_EQ(C(kRename, Args().Str(P("c.dat")).Str(P("a.dat"))), -1);  // nobody to ask before replacing
  EXPECT_EQ(dir_.Read("a.dat"), "12345");

  // Into a folder; wildcards pick the files.
  ASSERT_TRUE(CreateDirectoryPath(P("sub")));
  EXPECT_EQ(C(kCopy, Args().Str(P("sub")).Str(P("*.dat"))), 0);
  EXPECT_TRUE(CheckFileExists(P("sub/a.dat")) && CheckFileExists(P("sub/c.dat")));
  EXPECT_EQ(C(kRemove, Args().Str(P("sub/*.*"))), 0);
  EXPECT_TRUE(IsDirEmpty(P("sub")));
  EXPECT_EQ(C(kRemove, Args().Str(P("sub/none.txt"))), -1);
  EXPECT_EQ(C(kExists, Args().Str(P("sub"))), 0);
}

TEST_F(ScriptFilesTest, FoldersCreateCopyCompareAndSynchronize) {
  EXPECT_EQ(C(kDirCreate, Args().Str(P("src"))), 0);
  EXPECT_EQ(C(kDirCreate, Args().Str(P("src"))), -1);
  EXPECT_EQ(C(kDirCreate, Args().Str(P("a/b"))), -1);  // one level only
  EXPECT_EQ(C(kDirEmpty, Args().Str(P("nowhere"))), 1);

  ASSERT_TRUE(CreateDirectoryPath(P("src/inner")));
  dir_.Write("src/one.txt", "1");
  dir_.Write("src/inner/two.txt", "2");
  EXPECT_EQ(C(kDirCopy, Args().Str(P("dst")).Str(P("src")).Int(0)), 0);
  const Args compare = Args().Str(P("src")).Str(P("dst"));
  EXPECT_EQ(C(kDirCompare, compare), 0);
  dir_.Write("dst/extra.txt", "x");
  EXPECT_EQ(C(kDirCompare, compare), 1);
  EXPECT_EQ(C(kDirCopy, Args().Str(P("dst")).Str(P("nowhere")).Int(0)), -1);

  EXPECT_EQ(C(kDirSync, Args().Str(P("dst")).Str(P("src")).Int(1)), 0);
  EXPECT_FALSE(CheckFileExists(P("dst/extra.txt")));
  EXPECT_EQ(C(kDirCompare, compare), 0);

  // Emptying never reaches the root or the source; a copy never goes into itself.
  EXPECT_FALSE(SynchronizeDir("", P("src"), 0));
  EXPECT_FALSE(SynchronizeDir("/", P("src"), 0));
  EXPECT_FALSE(SynchronizeDir(dir_.Path(), P("src"), 0));
  EXPECT_TRUE(CheckFileExists(P("src/inner/two.txt")));
  EXPECT_FALSE(CopyDirContents(P("src/inner"), P("src"), 0));
}

TEST_F(ScriptFilesTest, WildcardsMatchWholeCharacters) {
  EXPECT_TRUE(WildcardMatch("*.*", "noext"));
  EXPECT_TRUE(WildcardMatch("?.txt", "表.txt"));  // one double-byte character
  EXPECT_FALSE(WildcardMatch("??.txt", "表.txt"));
  EXPECT_TRUE(WildcardMatch("*b*", "abc"));
  EXPECT_FALSE(WildcardMatch("*.txt", "a.dat"));
}

TEST_F(ScriptFilesTest, MediaIsThereWhereSomethingIsMounted) {
  EXPECT_EQ(C(kMedia, Args().Str("/")), 1);
  EXPECT_EQ(C(kMedia, Args().Str("Z:")), 0);
  struct stat a, b;
  if (stat(dir_.Path().c_str(), &a) == 0 && stat((dir_.Path() + "..").c_str(), &b) == 0 && a.st_dev == b.st_dev) {
    EXPECT_EQ(C(kMedia, Args().Str(dir_.Path())), 0);
  }
}

}  // namespace
