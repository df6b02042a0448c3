#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

using testing_support::FileSizeLimit;
using testing_support::TempDir;

namespace {

long EntriesIn(const std::string& folder) {
  return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

}  // namespace

TEST(WriteFileAtomic, ReplacesTheFileAndKeepsItsMode) {
  TempDir dir;
  dir.Write("a.txt", "old");
  ASSERT_EQ(chmod(dir.File("a.txt").c_str(), 0600), 0);
  std::string error;
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("a.txt"), "new\r\ntext", &error)) << error;
  EXPECT_EQ(dir.Read("a.txt"), "new\r\ntext");
  struct stat st;
  ASSERT_EQ(stat(dir.File("a.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(EntriesIn(dir.Path()), 1);  // no temporary file left behind

  // A CP932 name becomes UTF-8 on disk.
  ASSERT_TRUE(platform::WriteFileAtomic(dir.File("設定.ini"), ""));
  EXPECT_TRUE(std::filesystem::exists(dir.Path() + u8"設定.ini"));
}

TEST(WriteFileAtomic, AFailedWriteKeepsTheOldFileWhole) {
  TempDir dir;
  const std::string old(100, 'o');
  dir.Write("a.txt", old);
  std::string error;
  {
    FileSizeLimit full(10);
    EXPECT_FALSE(platform::WriteFileAtomic(dir.File("a.txt"), std::string(1000, 'n'), &error));
  }
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(dir.Read("a.txt"), old);
  EXPECT_EQ(EntriesIn(dir.Path()), 1);
}

TEST(Files, FindFileNoCase) {
  TempDir dir;
  EXPECT_EQ(platform::FindFileNoCase(dir.Path(), "Vund2.ini"), dir.File("Vund2.ini"));
  dir.Write("VUND2.INI", "");
  EXPECT_EQ(platform::FindFileNoCase(dir.Path(), "Vund2.ini"), dir.File("VUND2.INI"));
  dir.Write("Vund2.ini", "");
  EXPECT_EQ(platform::FindFileNoCase(dir.Path(), "Vund2.ini"), dir.File("Vund2.ini"));  // exact wins

  // Japanese names: ASCII letters fold, the second byte of a character never does.
  dir.Write(u8"ヂ.DAT", "");
  EXPECT_EQ(platform::FindFileNoCase(dir.Path(), "ヂ.dat"), dir.File("ヂ.DAT"));
  EXPECT_EQ(platform::FindFileNoCase(dir.Path(), "\x83\x41.dat"), dir.File("\x83\x41.dat"));  // ア is not ヂ
}

TEST(Files, SplitLinesAtEveryKindOfLineEndAndFileExtensions) {
  using V = std::vector<std::string>;
  EXPECT_EQ(platform::SplitLines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(platform::SplitLines("a\r\n\r\nb\n\rc\r\r\n"), (V{"a", "", "b", "", "c", ""}));

  TempDir dir;
  dir.Write("l.txt", "1\r\n2");
  V lines{"stale"};
  EXPECT_TRUE(platform::ReadLines(dir.File("l.txt"), lines));
  EXPECT_EQ(lines, (V{"1", "2"}));
  EXPECT_FALSE(platform::ReadLines(dir.File("missing"), lines));
  EXPECT_TRUE(lines.empty());
  // Path pieces look for a dot only in the name.
  EXPECT_EQ(platform::ExtractFileExt("/a.b/c"), "");
}
