// The settings file survives every save: comments, order, unknown lines and
// descriptors stay; values change; a failed save never loses quillo.ini.
#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "core/text.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "settings/settings_access.h"
#include "settings/settings_table.h"
#include "zuno.h"

namespace {

const char *kIni =
    "; my settings\n"
    "[Path]\n"
    "ExecPath=$exe\n"
    "OutputPath=/srv/out\n"
    "HtmlOut=html_7\n"
    "\n"
    "[Size]\n"
    "Priority=1\n"
    "CurrentWidth = 300\n"
    "Mystery=42\n"
    "[Unknown]\n"
    "Priority=5\n"
    "[Color]\n"
    "BgColor=#FF8000\n"
    "TextColor=white\n"
    "[SearchType]\n"
    "MaxX = 300\n"
    "Y/XRatio=1.250000\n"
    "UnderLimits=9\n"
    "LastSearchString=  cat dog\n"
    "[System]\n"
    "CpuPriority=100\n"
    "LastBackUpTime=1700000000\n";

// The file as a save writes it back unchanged: only blanks around "=" go.
std::string saved_form(std::string text) {
  for (const char *key : {"CurrentWidth", "MaxX"}) {
    std::string spaced = std::string(key) + " = ";
    size_t at = text.find(spaced);
    if (at != std::string::npos) text.replace(at, spaced.size(), std::string(key) + "=");
  }
  return text;
}

class SettingsFile : public EngineTest {
 protected:
  std::string ini() { return path("quillo.ini"); }
  int init() { return ZunoInit(dir_.c_str()); }
};

TEST_F(SettingsFile, ReadsValuesDescriptorsAndColours) {
  write("quillo.ini", kIni);
  ASSERT_EQ(init(), 0);
  ZunoRecord &r = engine().rec;
  EXPECT_STREQ(r.ExecPath, dir_.c_str());
  EXPECT_STREQ(r.OutputPath, "/srv/out");
  EXPECT_STREQ(r.SavedOutputPath, "/srv/out");
  EXPECT_EQ(ZunoGet(ZUNO_Priority), 1);
  EXPECT_EQ(ZunoGet(ZUNO_CurrentWidth), 300);
  EXPECT_EQ(ZunoGet(ZUNO_MaxX), 300);
  EXPECT_EQ(ZunoGet(ZUNO_YXRatio), 13);  // 1.25 × 10, rounded
  EXPECT_STREQ(r.BgColor, "#FF8000");
  EXPECT_EQ(r.ColorValue[0], 0xFF8000);
  EXPECT_STREQ(r.TextColor, "white");
  EXPECT_EQ(ZunoGet(ZUNO_ColorMask), 1);          // only BgColor came as #hex
  EXPECT_STREQ(r.LastSearchString, "  cat dog");  // blanks after "=" belong to a text
  EXPECT_EQ(r.LastBackUpTime, 1700000000);
  EXPECT_STREQ(r.HtmlOut, "");  // never taken from the file
  // 9 on the window's age scale is "3日前", whether it comes from the file or from ZunoPut.
  EXPECT_NEAR(static_cast<double>(r.AgeThreshold), static_cast<double>(plat::now() - 3 * 86400), 5);
}

TEST_F(SettingsFile, ColourMaskIsTheSameOnEveryRead) {
  write("quillo.ini", kIni);
  ASSERT_EQ(init(), 0);
  ASSERT_EQ(init(), 0);
  EXPECT_EQ(ZunoGet(ZUNO_ColorMask), 1);
}

TEST_F(SettingsFile, ReadAcceptsCrLfBomAndNoFinalLineEnd) {
  write("quillo.ini", "\xEF\xBB\xBF[Size]\r\nPriority=2\r\nCurrentWidth=77");
  ASSERT_EQ(init(), 0);
  EXPECT_EQ(ZunoGet(ZUNO_Priority), 2);
  EXPECT_EQ(ZunoGet(ZUNO_CurrentWidth), 77);
}

TEST_F(SettingsFile, MissingFileLeavesEngineInitialisedAndEmpty) {
  EXPECT_EQ(init(), -1);
  EXPECT_EQ(engine().initialised, 1);
  EXPECT_EQ(ZunoGet(ZUNO_Priority), 0);
}

TEST_F(SettingsFile, OverlongValuesAreCutAndReported) {
  std::string longpath(400, 'a');
  write("quillo.ini",
        "[Path]\nTargetPath=/" + longpath + "\n[Color]\nBgColor=#" + std::string(60, 'F') + "\n");
  ASSERT_EQ(init(), 0);
  EXPECT_EQ(strlen(engine().rec.TargetPath), 255u);
  EXPECT_EQ(strlen(engine().rec.BgColor), 31u);
  EXPECT_NE(std::string(engine().last_error).find("バイトに切り詰めました"), std::string::npos);
}

TEST_F(SettingsFile, FlashKeepsEverythingButChangedValuesAndBacksUpTheOldFile) {
  write("quillo.ini", kIni);
  ASSERT_EQ(init(), 0);
  ASSERT_EQ(ZunoPut(ZUNO_Priority, 0), 0);
  ASSERT_EQ(ZunoPut(ZUNO_MaxX, 640), 0);
  ASSERT_EQ(ZunoPut(ZUNO_YXRatio, 20), 0);
  ASSERT_EQ(ZunoFlash(), 0);
  std::string expected = saved_form(kIni);
  auto replace = [&](const std::string &from, const std::string &to) {
    size_t at = expected.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    expected.replace(at, from.size(), to);
  };
  replace("Priority=1\n", "Priority=0\n");
  replace("MaxX=300\n", "MaxX=640\n");
  replace("Y/XRatio=1.250000\n", "Y/XRatio=2.000000\n");
  EXPECT_EQ(read("quillo.ini"), expected);
  EXPECT_EQ(read("quillo.ibk"), kIni);
  EXPECT_EQ(ZunoGet(ZUNO_Priority), -1);  // flushed: not initialised until the next ZunoInit
}

TEST_F(SettingsFile, FlashKeepsLineEndsOfEachLine) {
  write("quillo.ini", "[Size]\r\nPriority=1\r\n;note\nCurrentWidth=5");
  ASSERT_EQ(init(), 0);
  ZunoPut(ZUNO_CurrentWidth, 6);
  ASSERT_EQ(ZunoFlash(), 0);
  EXPECT_EQ(read("quillo.ini"), "[Size]\r\nPriority=1\r\n;note\nCurrentWidth=6");
}

TEST_F(SettingsFile, DescriptorStaysWhileItHoldsButAChangedPathIsWritten) {
  mkdir("out");
  write("quillo.ini", "[Path]\nOutputPath=$exe/out\nExecPath=$exe\n");
  ASSERT_EQ(init(), 0);
  EXPECT_EQ(std::string(engine().rec.OutputPath), path("out"));
  ASSERT_EQ(ZunoFlash(), 0);
  EXPECT_EQ(read("quillo.ini"), "[Path]\nOutputPath=$exe/out\nExecPath=$exe\n");
  ASSERT_EQ(init(), 0);
  ZunoPutStr(ZUNO_OutputPath, "/elsewhere");
  ASSERT_EQ(ZunoFlash(), 0);
  EXPECT_EQ(read("quillo.ini"), "[Path]\nOutputPath=/elsewhere\nExecPath=$exe\n");
}

TEST_F(SettingsFile, SingleKeyWriterChangesOnlyThatKey) {
  write("quillo.ini", kIni);
  ASSERT_EQ(init(), 0);
  engine().rec.LastBackUpTime = 1800000000;
  ZunoPut(ZUNO_Priority, 0);
  ASSERT_EQ(put_erement(&engine().rec, ZUNO_LastBackUpTime), 0);
  std::string expected = kIni;  // the single-key writer leaves every other line as written
  expected.replace(expected.find("1700000000"), 10, "1800000000");
  EXPECT_EQ(read("quillo.ini"), expected);
}

TEST_F(SettingsFile, WriterWithoutFileRecordsAndFails) {
  copy_field(engine().rec.IniPath, path("nowhere"), "IniPath");
  EXPECT_EQ(put_inifile(&engine().rec), -1);
  EXPECT_NE(std::string(engine().last_error).find("inifile open errer"), std::string::npos);
}

// Every failure while the new file is written leaves the old one whole.
using FailingDisk = SettingsFile;

ssize_t full_disk_write(int, const void *, size_t) {
  errno = ENOSPC;
  return -1;
}
ssize_t short_write(int fd, const void *buf, size_t n) {
  return ::write(fd, buf, n > 3 ? 3 : n);
}
int failing_close(int fd) {
  ::close(fd);
  errno = EIO;
  return -1;
}

TEST_F(FailingDisk, FullDiskLeavesSettingsIntact) {
  write("quillo.ini", kIni);
  ASSERT_EQ(init(), 0);
  ZunoPut(ZUNO_Priority, 0);
  {
    plat::ScopedOps os;
    os->write = full_disk_write;
    EXPECT_EQ(ZunoFlash(), -1);
  }
  EXPECT_EQ(read("quillo.ini"), kIni);
  EXPECT_FALSE(std::string(engine().last_error).empty());
}

TEST_F(FailingDisk, ShortWritesStillWriteTheWholeFile) {
  write("quillo.ini", kIni);
  ASSERT_EQ(init(), 0);
  {
    plat::ScopedOps os;
    os->write = short_write;
    EXPECT_EQ(ZunoFlash(), 0);
  }
  EXPECT_EQ(read("quillo.ini"), saved_form(kIni));
}

TEST_F(FailingDisk, FailedCloseLeavesSettingsIntact) {
  write("quillo.ini", kIni);
  ASSERT_EQ(init(), 0);
  {
    plat::ScopedOps os;
    os->close = failing_close;
    EXPECT_EQ(ZunoFlash(), -1);
  }
  EXPECT_EQ(read("quillo.ini"), kIni);
}

// A read-only folder refuses new files (root ignores the mode bits, so the refusal is injected).
int refuse_creation(const char *path, int flags, mode_t mode) {
  if (flags & O_CREAT) {
    errno = EACCES;
    return -1;
  }
  return ::open(path, flags, mode);
}

TEST_F(FailingDisk, ReadOnlySettingsFolderKeepsTheFile) {
  write("quillo.ini", kIni);
  ASSERT_EQ(init(), 0);
  ZunoPut(ZUNO_Priority, 0);
  {
    plat::ScopedOps os;
    os->open = refuse_creation;
    EXPECT_EQ(ZunoFlash(), -1);
  }
  EXPECT_EQ(read("quillo.ini"), kIni);
  EXPECT_NE(std::string(engine().last_error).find(strerror(EACCES)), std::string::npos);
}

TEST_F(SettingsFile, DistributedSettingsFileHasEveryKeyAndReadsCleanly) {
  std::string distributed;
  ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &distributed));
  write("quillo.ini", distributed);
  testing::internal::CaptureStderr();
  ASSERT_EQ(init(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no unknown or malformed key
  int keys = 0;
  for (const SettingInfo &setting : all_settings()) {
    if (!setting.key) continue;  // not a key of the file
    ++keys;
    // The key inside its own section: the text from the section's header to the next one holds it.
    size_t header = distributed.find(std::string("\n") + setting.section + "\n");
    ASSERT_NE(header, std::string::npos) << setting.section;
    size_t next = distributed.find("\n[", header + 1);
    size_t at = distributed.find(std::string("\n") + setting.key + "=", header);
    EXPECT_TRUE(at != std::string::npos && at < next) << setting.key << " in " << setting.section;
  }
  EXPECT_GE(keys, ZUNO_CacheCheckBroken);
  EXPECT_EQ(ZunoGet(ZUNO_ColorMask), 31);
  // Nothing but the colour texts and values is read differently after a save.
  ASSERT_EQ(ZunoFlash(), 0);
  EXPECT_EQ(read("quillo.ini"), distributed);
}

// A settings file that holds no settings is refused, and the last good version in
// quillo.ibk is never pushed out by it.
class DamagedSettings : public SettingsFile {
 protected:
  std::string backup() { return path("quillo.ibk"); }
  std::string error() { return engine().last_error; }
  // A good backup beside a damaged quillo.ini, as a crash or a full disk leaves them.
  void damage(const std::string &garbage) {
    write("quillo.ibk", kIni);
    write("quillo.ini", garbage);
  }
};

TEST_F(DamagedSettings, EmptyFileIsRefusedNamingIt) {
  write("quillo.ini", "");
  EXPECT_EQ(init(), -1);
  EXPECT_NE(error().find("設定ファイル " + ini()), std::string::npos) << error();
  EXPECT_NE(error().find("設定が一つもありません"), std::string::npos) << error();
  EXPECT_EQ(error().find("quillo.ibk"), std::string::npos) << error();  // no backup to offer
}

TEST_F(DamagedSettings, FileWithoutASingleSettingIsRefusedAndChangesNothing) {
  engine().rec.MaxX = 77;  // a value from an earlier read
  // Only near misses: a known key outside its section, keys without "=", an unknown key, binary noise.
  write("quillo.ini",
        "\x89PNG\r\n\x1a\n\x01\x02\n[Nope]\nMaxX=300\n[SearchType]\nMaxX\nMaxY 300\nMaxZ=1\n;MaxX=5\n");
  EXPECT_EQ(init(), -1);
  EXPECT_EQ(engine().rec.MaxX, 77);
  EXPECT_NE(error().find(ini()), std::string::npos) << error();
}

TEST_F(DamagedSettings, MissingFileIsReportedAsMissing) {
  EXPECT_EQ(init(), -1);
  EXPECT_EQ(error(), "設定ファイル " + ini() + " がありません");
}

TEST_F(DamagedSettings, UnreadableFileIsReportedWithTheSystemsReason) {
  mkdir("quillo.ini");
  EXPECT_EQ(init(), -1);
  EXPECT_NE(error().find("設定ファイル " + ini() + " を読めません"), std::string::npos) << error();
  EXPECT_NE(error().find(strerror(EISDIR)), std::string::npos) << error();
}

TEST_F(DamagedSettings, GoodBackupIsNamedWithTheCommandThatPutsItBack) {
  damage("\n\n\n");
  EXPECT_EQ(init(), kIniBackupGood);
  EXPECT_NE(error().find("cp '" + backup() + "' '" + ini() + "'"), std::string::npos) << error();
  EXPECT_EQ(read("quillo.ini"), "\n\n\n");
  EXPECT_EQ(read("quillo.ibk"), kIni);
}

TEST_F(DamagedSettings, BackupWithoutSettingsIsNotOffered) {
  write("quillo.ibk", "garbage\n");
  write("quillo.ini", "");
  EXPECT_EQ(init(), -1);
  EXPECT_EQ(error().find("quillo.ibk"), std::string::npos) << error();
}

TEST_F(DamagedSettings, FlushAfterARefusedReadTouchesNeitherFile) {
  damage("[Size]\n");
  ASSERT_EQ(init(), kIniBackupGood);
  ASSERT_EQ(ZunoPut(ZUNO_Priority, 7), 0);
  EXPECT_EQ(ZunoFlash(), -1);
  EXPECT_EQ(read("quillo.ini"), "[Size]\n");
  EXPECT_EQ(read("quillo.ibk"), kIni);
  EXPECT_NE(error().find(ini()), std::string::npos) << error();
  // Run preparation's single-key writer is held back the same way.
  EXPECT_EQ(put_erement(&engine().rec, ZUNO_LastBackUpTime), -1);
  EXPECT_EQ(read("quillo.ibk"), kIni);
}

TEST_F(DamagedSettings, FileRepairedAfterARefusedReadIsNotOverwrittenWithEmptySettings) {
  damage("");
  ASSERT_EQ(init(), kIniBackupGood);
  write("quillo.ini", kIni);  // put back by hand while the engine holds nothing
  EXPECT_EQ(ZunoFlash(), -1);
  EXPECT_EQ(read("quillo.ini"), kIni);
  ASSERT_EQ(init(), 0);  // a good read makes saving possible again
  EXPECT_EQ(ZunoGet(ZUNO_Priority), 1);
  EXPECT_EQ(ZunoFlash(), 0);
}

TEST_F(DamagedSettings, FileEmptiedWhileRunningNeverReplacesTheBackup) {
  write("quillo.ini", kIni);
  ASSERT_EQ(init(), 0);
  ASSERT_EQ(ZunoFlash(), 0);
  ASSERT_EQ(init(), 0);
  write("quillo.ini", "");  // another program truncated it
  EXPECT_EQ(ZunoFlash(), -1);
  EXPECT_EQ(read("quillo.ibk"), kIni);
  EXPECT_EQ(read("quillo.ini"), "");
  EXPECT_NE(error().find("quillo.ibk"), std::string::npos) << error();
}

// Text values never add lines to the file: line breaks are stored escaped and read
// back exactly.
class LineBreaksInValues : public SettingsFile {
 protected:
  const char *ini_text =
      "[Path]\nTargetPath=/pics\n[SearchType]\nLastSearchString=cat\n[System]\nDelCache=0\n";

  // Puts a text, saves and reads the file again; the text as the engine then holds it.
  std::string round_trip(int number, const std::string &value) {
    write("quillo.ini", ini_text);
    EXPECT_EQ(init(), 0);
    EXPECT_EQ(ZunoPutStr(number, value.c_str()), 0);
    EXPECT_EQ(ZunoFlash(), 0);
    EXPECT_EQ(init(), 0);
    char area[ZUNO_BUFSIZE] = "";
    char *buf = area;
    EXPECT_EQ(ZunoGetStr(number, &buf), 0);
    return area;
  }
};

TEST_F(LineBreaksInValues, SearchWordsWithASectionInsideAddNoKey) {
  const std::string words = "cat\n[System]\nDelCache=1";
  EXPECT_EQ(round_trip(ZUNO_LastSearchString, words), words);
  EXPECT_EQ(ZunoGet(ZUNO_DelCache), 0);
  std::string saved = read("quillo.ini");
  EXPECT_EQ(count_of(saved, "\n"), count_of(ini_text, "\n"));
  EXPECT_EQ(count_of(saved, "\nDelCache="), 1);
  EXPECT_EQ(count_of(saved, "\n[System]"), 1);
  EXPECT_NE(saved.find("LastSearchString=cat\\n[System]\\nDelCache=1\n"), std::string::npos) << saved;
}

TEST_F(LineBreaksInValues, FolderNameWithLineFeedAndCarriageReturnReadsBackExactly) {
  const std::string folder = "/pics/a\nb\rc\r\n";
  EXPECT_EQ(round_trip(ZUNO_TargetPath, folder), folder);
  EXPECT_EQ(count_of(read("quillo.ini"), "\n"), count_of(ini_text, "\n"));
}

TEST_F(LineBreaksInValues, BackslashesReadBackExactly) {
  for (const std::string value : {"\\d+\\.jpg", "a\\nb", "a\\\\nb", "end\\", "\\\n\\", "x\\\\"})
    EXPECT_EQ(round_trip(ZUNO_LastSearchString, value), value);
}

TEST_F(LineBreaksInValues, BackslashesWrittenBeforeKeepTheirMeaning) {
  write("quillo.ini", "[SearchType]\nLastSearchString=\\d+\\.(jpg|png)\n");
  ASSERT_EQ(init(), 0);
  EXPECT_STREQ(engine().rec.LastSearchString, "\\d+\\.(jpg|png)");
  ASSERT_EQ(ZunoFlash(), 0);
  EXPECT_EQ(read("quillo.ini"), "[SearchType]\nLastSearchString=\\d+\\.(jpg|png)\n");
}

TEST_F(LineBreaksInValues, FullLengthValueOfLineBreaksSurvivesTheDoubledLine) {
  const std::string breaks(255, '\n');
  EXPECT_EQ(round_trip(ZUNO_LastSearchString, breaks), breaks);
}

}  // namespace
