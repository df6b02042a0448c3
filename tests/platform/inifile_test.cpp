#include "platform/inifile.h"

#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

using platform::IniFile;
using testing_support::TempDir;

TEST(IniFile, ReadsCaseInsensitiveFirstMatchWithDefaults) {
  TempDir dir;
  dir.Write("a.ini", "; comment\r\n[Window]\r\nMainLeft = 12 \r\nmainleft=99\r\nBack=0xFF\r\nBad=abc\r\nHexBig=0xFFFFFFFF\r\n"
                     "[window]\r\nOther=1\r\n[Bus]\r\nFlag=2\r\nQuoted=\"a b\"\r\n");
  IniFile ini(dir.File("a.ini"));
  EXPECT_EQ(ini.ReadInteger("WINDOW", "MAINLEFT", 0), 12);
  EXPECT_EQ(ini.ReadInteger("Window", "Back", 0), 255);
  EXPECT_EQ(ini.ReadInteger("Window", "Bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Window", "HexBig", 7), -1);
  EXPECT_EQ(ini.ReadInteger("Window", "Other", 5), 5);  // only the first [Window] counts
  EXPECT_TRUE(ini.ReadBool("Bus", "Flag", false));
  EXPECT_EQ(ini.ReadString("Bus", "Quoted", ""), "a b");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Window", "Bus"}));
  EXPECT_EQ(ini.ReadSection("Window"), (std::vector<std::string>{"MainLeft", "mainleft", "Back", "Bad", "HexBig"}));
}

TEST(IniFile, EditsReplaceOnlyTheirLinesKeepTheRestAndLfFilesStayLf) {
  TempDir dir;
  dir.Write("a.ini", "; keep me\r\n[Window]\r\nMainLeft=1\r\nextra line\r\n\r\n[File]\r\nLast=x.dat\r\n");
  {
    IniFile ini(dir.File("a.ini"));
    ini.WriteInteger("window", "mainleft", 42);
    ini.WriteString("Window", "New", "v");
    ini.WriteBool("Bus", "On", true);
  }
  EXPECT_EQ(dir.Read("a.ini"),
            "; keep me\r\n[Window]\r\nmainleft=42\r\nextra line\r\nNew=v\r\n\r\n[File]\r\nLast=x.dat\r\n[Bus]\r\nOn=1\r\n");

  dir.Write("lf.ini", "[A]\nx=1\ny=2\n[B]\nz=3\n[a]\nw=4\n");
  IniFile lf(dir.File("lf.ini"));
  lf.DeleteKey("A", "Y");
  lf.EraseSection("B");
  EXPECT_EQ(dir.Read("lf.ini"), "[A]\nx=1\n[a]\nw=4\n");
  lf.EraseSection("A");
  EXPECT_EQ(dir.Read("lf.ini"), "");
}

TEST(IniFile, MissingFileIsCreatedAndALineBreakIsRefused) {
  TempDir dir;
  IniFile ini(dir.File("new.ini"));
  EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
  ini.WriteString("S", "k", "v");
  EXPECT_EQ(dir.Read("new.ini"), "[S]\r\nk=v\r\n");
  // A line break would write lines nobody asked for. Batched writes: the settings' tests.
  EXPECT_THROW(ini.WriteString("S", "k", "1\r\n[Evil]"), platform::IniFileError);
  EXPECT_THROW(ini.WriteString("S\n", "a", "1"), platform::IniFileError);
  EXPECT_EQ(dir.Read("new.ini"), "[S]\r\nk=v\r\n");
}

TEST(IniFile, AnUnreadableFileIsNeverReplacedAndALinkKeepsPointingAtTheFile) {
  TempDir dir;
  // A file without read permission (read as another user, since root reads anything).
  dir.Write("locked.ini", "[S]\r\nk=1\r\nother=2\r\n");
  ASSERT_EQ(chmod(dir.File("locked.ini").c_str(), 0200), 0);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0711), 0);
  const int fsuid = setfsuid(65534);
  IniFile locked(dir.File("locked.ini"));
  setfsuid(fsuid);
  EXPECT_THROW(locked.WriteString("S", "k", "2"), platform::IniFileError);
  ASSERT_EQ(chmod(dir.File("locked.ini").c_str(), 0600), 0);
  EXPECT_EQ(dir.Read("locked.ini"), "[S]\r\nk=1\r\nother=2\r\n");

  dir.Write("real.ini", "[S]\r\nk=1\r\n");
  ASSERT_EQ(symlink(dir.File("real.ini").c_str(), dir.File("link.ini").c_str()), 0);
  IniFile viaLink(dir.File("link.ini"));
  viaLink.WriteString("S", "k", "2");
  struct stat st;
  ASSERT_EQ(lstat(dir.File("link.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(dir.Read("real.ini"), "[S]\r\nk=2\r\n");
}

TEST(IniFile, ALeadingUtf8ByteOrderMarkIsSkippedAndKeptOnceOnARewrite) {
  TempDir dir;
  dir.Write("bom.ini", "\xEF\xBB\xBF[Common]\r\nTimeOutTime=500\r\n[Bus]\r\nComPort=2\r\n");
  IniFile ini(dir.File("bom.ini"));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Common", "Bus"}));
  EXPECT_EQ(ini.ReadInteger("Common", "TimeOutTime", 300), 500);
  ini.WriteInteger("Common", "TimeOutTime", 600);
  ini.WriteInteger("Common", "New", 1);
  EXPECT_EQ(dir.Read("bom.ini"), "\xEF\xBB\xBF[Common]\r\nTimeOutTime=600\r\nNew=1\r\n[Bus]\r\nComPort=2\r\n");
  EXPECT_EQ(IniFile(dir.File("bom.ini")).ReadInteger("Common", "TimeOutTime", 300), 600);
}
