#include <sys/stat.h>

#include <gtest/gtest.h>

#include "builtins_env.h"
#include "platform/files.h"
#include "script/modules.h"
#include "script/sysfiles.h"
#include "support/temp_dir.h"

namespace {

using namespace builtins_test;

class ScriptFilesTest : public ::testing::Test {
 protected:
  void TearDown() override { ScriptFiles().CloseAll(); }
  int Call(int id, Args& a) {
    vmcode_t r = ResultRecord();
    CallSystemBuiltin(id, a.Cells(), &r, env_);
    return r.b;
  }
  int Open(const std::string& name, int mode) {
    Args a;
    a.Str(name).Int(mode);
    return Call(1026, a);
  }
  int Close(int file) {
    Args a;
    a.Int(file);
    return Call(1035, a);
  }
  std::string P(const std::string& name) { return dir_.File(name); }

  testing_support::TempDir dir_;
  TestEnv env_;
};

TEST_F(ScriptFilesTest, HandlesCountUpAndStartAgainOnceAllAreClosed) {
  EXPECT_EQ(Open(P("a.txt"), fileNEW), 0);
  EXPECT_EQ(Open(P("b.txt"), fileNEW), 1);
  EXPECT_EQ(Close(0), 0);
  EXPECT_EQ(Open(P("c.txt"), fileNEW), 2);  // one still open: no reuse
  EXPECT_EQ(Close(0), -1);
  EXPECT_EQ(Close(1), 0);
  EXPECT_EQ(Close(2), 0);
  EXPECT_EQ(Open(P("a.txt"), fileNEW), 0);
  EXPECT_EQ(Open(P("missing.txt"), fileAPPEND), -1);
  EXPECT_EQ(Open(P("no/such/folder.txt"), fileNEW), -1);
}

TEST_F(ScriptFilesTest, NewEmptiesAtOnceAndAppendLoadsEveryLineEnd) {
  dir_.Write("old.txt", "keep me\r\n");
  ASSERT_EQ(Open(P("old.txt"), fileNEW), 0);
  EXPECT_EQ(dir_.Read("old.txt"), "");
  dir_.Write("mixed.txt", "one\r\ntwo\nthree\rfour");
  const int f = Open(P("mixed.txt"), fileAPPEND);
  Args count;
  count.Int(f);
  EXPECT_EQ(Call(1027, count), 4);
  TStackData line;
  line.kind = dtInteger;
  Args get;
  get.Int(f).Int(2).Ref(&line);
  EXPECT_EQ(Call(1028, get), 0);
  EXPECT_EQ(line.kind, dtString);
  EXPECT_EQ(line.sval, "three");
  Args past;
  past.Int(f).Int(4).Ref(&line);
  EXPECT_EQ(Call(1028, past), -1);
  Args unknown;
  unknown.Int(99);
  EXPECT_EQ(Call(1027, unknown), -1);
}

TEST_F(ScriptFilesTest, LineEditsAndSavesWithCrLf) {
  const int f = Open(P("edit.txt"), fileNEW);
  Args add1, add2, insert, insertAtEnd, set, del, delPast;
  add1.Int(f).Str("b");
  add2.Int(f).Str("d");
  EXPECT_EQ(Call(1030, add1), 0);
  EXPECT_EQ(Call(1030, add2), 0);
  insert.Int(f).Int(0).Str("a");
  EXPECT_EQ(Call(1031, insert), 0);
  insertAtEnd.Int(f).Int(3).Str("x");
  EXPECT_EQ(Call(1031, insertAtEnd), -1);
  set.Int(f).Int(2).Str("c");
  EXPECT_EQ(Call(1029, set), 0);
  del.Int(f).Int(0);
  EXPECT_EQ(Call(1032, del), 0);
  delPast.Int(f).Int(-1);
  EXPECT_EQ(Call(1032, delPast), -1);

  Args saveAs;
  saveAs.Int(f).Str(P("copy.txt"));
  EXPECT_EQ(Call(1034, saveAs), 0);
  EXPECT_EQ(dir_.Read("copy.txt"), "b\r\nc\r\n");
  Args save;
  save.Int(f);
  EXPECT_EQ(Call(1033, save), 0);  // still the entry's own name
  EXPECT_EQ(dir_.Read("edit.txt"), "b\r\nc\r\n");

  // A read-only file is not replaced.
  ASSERT_TRUE(platform::SetReadOnly(P("edit.txt"), true));
  EXPECT_EQ(Call(1033, save), -1);
  EXPECT_EQ(dir_.Read("edit.txt"), "b\r\nc\r\n");
  EXPECT_EQ(Close(f), 0);
  EXPECT_EQ(Call(1033, save), -1);
}

TEST_F(ScriptFilesTest, CopyDeleteRenameAndCompare) {
  dir_.Write("a.dat", "12345");
  Args copy;
  copy.Str(P("b.dat")).Str(P("a.dat"));
  EXPECT_EQ(Call(1036, copy), 0);
  Args same, missing, self;
  same.Str(P("a.dat")).Str(P("b.dat"));
  missing.Str(P("x.dat")).Str(P("y.dat"));
  self.Str(P("a.dat")).Str(P("a.dat"));
  EXPECT_EQ(Call(1040, same), 0);
  EXPECT_EQ(Call(1040, missing), 1);
  EXPECT_EQ(Call(1040, self), 0);
  dir_.Write("b.dat", "12346");
  EXPECT_EQ(Call(1040, same), 1);

  Args rename, renameOnto;
  rename.Str(P("b.dat")).Str(P("c.dat"));
  EXPECT_EQ(Call(1038, rename), 0);
  Args exists;
  exists.Str(P("c.dat"));
  EXPECT_EQ(Call(1039, exists), 1);
  renameOnto.Str(P("c.dat")).Str(P("a.dat"));
  EXPECT_EQ(Call(1038, renameOnto), -1);  // nobody to ask before replacing
  EXPECT_EQ(dir_.Read("a.dat"), "12345");

  // Into a folder; wildcards pick the files.
  ASSERT_TRUE(CreateDirectoryPath(P("sub")));
  Args copyAll;
  copyAll.Str(P("sub")).Str(P("*.dat"));
  EXPECT_EQ(Call(1036, copyAll), 0);
  EXPECT_TRUE(CheckFileExists(P("sub/a.dat")));
  EXPECT_TRUE(CheckFileExists(P("sub/c.dat")));
  Args del, delNothing;
  del.Str(P("sub/*.*"));
  EXPECT_EQ(Call(1037, del), 0);
  EXPECT_TRUE(IsDirEmpty(P("sub")));
  delNothing.Str(P("sub/none.txt"));
  EXPECT_EQ(Call(1037, delNothing), -1);
  Args notAFile;
  notAFile.Str(P("sub"));
  EXPECT_EQ(Call(1039, notAFile), 0);
}

TEST_F(ScriptFilesTest, FoldersCreateCopyCompareAndSynchronize) {
  Args create, createAgain, createDeep;
  create.Str(P("src"));
  createAgain.Str(P("src"));
  createDeep.Str(P("a/b"));
  EXPECT_EQ(Call(1042, create), 0);
  EXPECT_EQ(Call(1042, createAgain), -1);
  EXPECT_EQ(Call(1042, createDeep), -1);  // one level only
  Args emptyMissing;
  emptyMissing.Str(P("nowhere"));
  EXPECT_EQ(Call(1043, emptyMissing), 1);

  ASSERT_TRUE(CreateDirectoryPath(P("src/inner")));
  dir_.Write("src/one.txt", "1");
  dir_.Write("src/inner/two.txt", "2");
  Args copy;
  copy.Str(P("dst")).Str(P("src")).Int(0);
  EXPECT_EQ(Call(1044, copy), 0);
  Args compare;
  compare.Str(P("src")).Str(P("dst"));
  EXPECT_EQ(Call(1046, compare), 0);
  dir_.Write("dst/extra.txt", "x");
  EXPECT_EQ(Call(1046, compare), 1);
  Args copyMissing;
  copyMissing.Str(P("dst")).Str(P("nowhere")).Int(0);
  EXPECT_EQ(Call(1044, copyMissing), -1);

  Args sync;
  sync.Str(P("dst")).Str(P("src")).Int(1);
  EXPECT_EQ(Call(1045, sync), 0);
  EXPECT_FALSE(CheckFileExists(P("dst/extra.txt")));
  EXPECT_EQ(Call(1046, compare), 0);

  // Emptying must never reach the root or the source itself.
  EXPECT_FALSE(SynchronizeDir("", P("src"), 0));
  EXPECT_FALSE(SynchronizeDir("/", P("src"), 0));
  EXPECT_FALSE(SynchronizeDir(dir_.Path(), P("src"), 0));
  EXPECT_TRUE(CheckFileExists(P("src/inner/two.txt")));
  // Nor does a copy go into itself.
  EXPECT_FALSE(CopyDirContents(P("src/inner"), P("src"), 0));
}

TEST_F(ScriptFilesTest, WildcardsMatchWholeCharacters) {
  EXPECT_TRUE(WildcardMatch("*.*", "noext"));
  EXPECT_TRUE(WildcardMatch("a?c", "abc"));
  EXPECT_TRUE(WildcardMatch("?.txt", "表.txt"));  // one double-byte character
  EXPECT_FALSE(WildcardMatch("??.txt", "表.txt"));
  EXPECT_TRUE(WildcardMatch("*b*", "abc"));
  EXPECT_FALSE(WildcardMatch("*.txt", "a.dat"));
}

TEST_F(ScriptFilesTest, MediaIsThereWhereSomethingIsMounted) {
  Args root, plain, none;
  root.Str("/");
  plain.Str(dir_.Path());
  none.Str("Z:");
  EXPECT_EQ(Call(1047, root), 1);
  EXPECT_EQ(Call(1047, none), 0);
  struct stat a, b;
  if (stat(dir_.Path().c_str(), &a) == 0 && stat((dir_.Path() + "..").c_str(), &b) == 0 && a.st_dev == b.st_dev) {
    EXPECT_EQ(Call(1047, plain), 0);
  }
}

}  // namespace
