// The settings table against the numbers zuno.h publishes and against what the
// accessors and the file reader do with each row.
#include "settings/settings_table.h"

#include <map>
#include <set>
#include <string>

#include "engine_fixture.h"
#include "zuno.h"

namespace {

std::string where(const SettingInfo &s) {
  return "setting " + std::to_string(s.number) + (s.key ? std::string(" ") + s.key : std::string());
}

// The file's settings are numbered from 1 without a gap; the colour mask stands apart.
TEST(SettingsTable, EveryNumberUpToTheLastHasOneRowAndTheMaskItsOwn) {
  std::map<int, int> rows;
  int last = 0;
  for (const SettingInfo &s : all_settings()) {
    ++rows[s.number];
    if (s.number != ZUNO_ColorMask && s.number > last) last = s.number;
  }
  EXPECT_GE(last, ZUNO_CacheCheckBroken);
  EXPECT_LT(last, ZUNO_ColorMask);
  for (int n = ZUNO_TargetPath; n <= last; ++n) EXPECT_EQ(rows[n], 1) << n;
  EXPECT_EQ(rows[ZUNO_ColorMask], 1);
  EXPECT_EQ(rows.size(), static_cast<size_t>(last + 1));
  EXPECT_EQ(rows.count(0), 0u);
}

TEST(SettingsTable, KeysAreUniqueAndFoundInTheirSection) {
  std::set<std::string> keys;
  for (const SettingInfo &s : all_settings()) {
    if (!s.key) continue;
    EXPECT_TRUE(keys.insert(s.key).second) << s.key;
    EXPECT_EQ(setting_by_key(s.section, s.key), &s);
    EXPECT_EQ(settings_key_number(s.key), s.number);
    EXPECT_TRUE(is_known_section(s.section));
  }
  EXPECT_EQ(setting_by_key("[Size]", "MaxX"), nullptr);  // a key outside its section is no key
  EXPECT_FALSE(is_known_section(""));                    // the colour mask has no section
}

// A row's field must be the one its kind works on, and no two rows may share one.
TEST(SettingsTable, EachRowHasTheFieldOfItsKindAndNoFieldIsShared) {
  std::set<const void *> fields;
  ZunoRecord rec{};
  for (const SettingInfo &s : all_settings()) {
    const SettingField &f = s.field;
    const void *at = nullptr;
    switch (s.kind) {
      case SettingKind::Int:
      case SettingKind::AgeChoice:
      case SettingKind::TypeMask:
        ASSERT_NE(f.int_member, nullptr) << where(s);
        at = &(rec.*(f.int_member));
        break;
      case SettingKind::Text:
      case SettingKind::OutputPath:
      case SettingKind::CatalogName:
        ASSERT_NE(f.text_member, nullptr) << where(s);
        at = rec.*(f.text_member);
        break;
      case SettingKind::Color:
        ASSERT_NE(f.color_member, nullptr) << where(s);
        EXPECT_EQ(color_index(s.number), f.color_slot);
        EXPECT_EQ(f.color_slot, s.number - ZUNO_BgColor) << where(s);  // slots follow the colour numbers
        at = rec.*(f.color_member);
        break;
      case SettingKind::Ratio:
        ASSERT_NE(f.real_member, nullptr) << where(s);
        at = &(rec.*(f.real_member));
        break;
      case SettingKind::Time:
        ASSERT_NE(f.time_member, nullptr) << where(s);
        at = &(rec.*(f.time_member));
        break;
    }
    EXPECT_TRUE(fields.insert(at).second) << where(s) << " shares its field";
    EXPECT_LE(s.range.lo, s.range.hi) << where(s);
  }
}

TEST(SettingsTable, OnlyTheRowsThatSayClampHoldValuesToTheirRange) {
  for (const SettingInfo &s : all_settings()) {
    if (s.range.clamped) {
      EXPECT_EQ(setting_clamped(s, s.range.lo - 1), s.range.lo) << where(s);
      if (s.range.hi < 2147483647) {
        EXPECT_EQ(setting_clamped(s, s.range.hi + 1), s.range.hi) << where(s);
      }
      EXPECT_EQ(setting_clamped(s, -2147483647 - 1), s.range.lo) << where(s);
      EXPECT_EQ(setting_clamped(s, 2147483647), s.range.hi) << where(s);
    } else if (s.range.hi < 2147483647) {
      EXPECT_EQ(setting_clamped(s, s.range.hi + 1), s.range.hi + 1) << where(s);
    }
  }
}

class TableAccess : public EngineTest {
 protected:
  // A settings file giving every int setting of the file its own value, 1000 + its number.
  void SetUp() override {
    EngineTest::SetUp();
    std::map<std::string, std::string> sections;
    for (const SettingInfo &s : all_settings())
      if (s.key && s.kind == SettingKind::Int)
        sections[s.section] += std::string(s.key) + "=" + std::to_string(1000 + s.number) + "\n";
    std::string ini;
    for (const auto &[section, lines] : sections) ini += section + "\n" + lines;
    write("quillo.ini", ini);
    ASSERT_EQ(ZunoInit(dir_.c_str()), 0);
  }
};

// Each int key reads into its own field (held to the row's range where the row says
// so), and ZunoGet answers it exactly where the row allows it: a row pointing at a
// neighbour's field, or a lost access bit, shows.
TEST_F(TableAccess, EachIntKeyReachesItsOwnFieldAndTheAccessorsTheRowAllows) {
  for (const SettingInfo &s : all_settings()) {
    if (!s.key || s.kind != SettingKind::Int) continue;
    const int read = setting_clamped(s, 1000 + s.number);
    EXPECT_EQ(engine().rec.*(s.field.int_member), read) << where(s);
    EXPECT_EQ(ZunoGet(s.number), s.access & kGet ? read : -1) << where(s);
    EXPECT_EQ(ZunoPut(s.number, 7), s.access & kPut ? 0 : -1) << where(s);
    EXPECT_EQ(engine().rec.*(s.field.int_member), s.access & kPut ? setting_clamped(s, 7) : read) << where(s);
  }
}

// The rows whose values meet arithmetic (sizes, shares, page sizes) are held to their
// ranges by both the file and ZunoPut; an int beyond an int's range reads as its end.
TEST_F(TableAccess, SizesSharesAndPageSizesAreHeldToTheirRanges) {
  for (int number : {ZUNO_WindowSize, ZUNO_FrameSizeRatio, ZUNO_IndexRatio, ZUNO_CntlRatio, ZUNO_OnePageMax,
                     ZUNO_CurrentWidth, ZUNO_CurrentHight, ZUNO_CurrentScale, ZUNO_MaxX, ZUNO_MaxY,
                     ZUNO_SubdirDepth, ZUNO_CpuPriority})
    EXPECT_TRUE(setting_by_number(number)->range.clamped) << number;
  write("quillo.ini", "[Frame]\nIndexRatio=99999999999999\nCntlRatio=-99999999999999\n");
  reset_engine();
  ASSERT_EQ(ZunoInit(dir_.c_str()), 0);
  EXPECT_EQ(ZunoGet(ZUNO_IndexRatio), 100);
  EXPECT_EQ(ZunoGet(ZUNO_CntlRatio), 0);
}

// The text accessors follow the access bits: ZunoGetStr copies, ZunoPutStr stores,
// and ZunoPut of a text number is either accepted and ignored or refused.
TEST_F(TableAccess, TextRowsAnswerTheTextAccessorsTheirBitsAllow) {
  for (const SettingInfo &s : all_settings()) {
    if (!s.field.text_member) continue;
    char *field = engine().rec.*(s.field.text_member);
    snprintf(field, kFieldSize, "was %d", s.number);
    char area[ZUNO_BUFSIZE] = "";
    char *buf = area;
    EXPECT_EQ(ZunoGetStr(s.number, &buf), s.access & kGetText ? 0 : -1) << where(s);
    if (s.access & kGetText) {
      EXPECT_EQ(std::string(area), field) << where(s);
    }
    EXPECT_EQ(ZunoPut(s.number, 5), s.access & kPutIgnored ? 0 : -1) << where(s);
    EXPECT_EQ(ZunoPutStr(s.number, "new"), s.access & kPutText ? 0 : -1) << where(s);
    EXPECT_EQ(std::string(field), s.access & kPutText ? "new" : "was " + std::to_string(s.number))
        << where(s);
  }
}

TEST_F(TableAccess, FirstReadHoldsThePageBufferToTheDepthRange) {
  // The read gave SubdirDepth 1007: a buffer of that many KiB.
  EXPECT_EQ(engine().rec.PageBufferSize, (1000 + ZUNO_SubdirDepth) * 1024);
  reset_engine();
  write("quillo.ini", "[Search]\nSubdirDepth=99999\n");
  ASSERT_EQ(ZunoInit(dir_.c_str()), 0);
  EXPECT_EQ(engine().rec.SubdirDepth, 4096);  // held to its range like the buffer
  EXPECT_EQ(engine().rec.PageBufferSize, 4096 * 1024);
  reset_engine();
  write("quillo.ini", "[Search]\nSubdirDepth=-5\n");
  ASSERT_EQ(ZunoInit(dir_.c_str()), 0);
  EXPECT_EQ(engine().rec.PageBufferSize, 0);
}

}  // namespace
