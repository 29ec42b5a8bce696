// WebP and AVIF as picture types: the type table, the header readers against real
// encoder output (ImageMagick, and libavif for what ImageMagick cannot write) and
// hostile bytes, the settings file's type mask, and a folder run that catalogues them.
#include <filesystem>
#include <string>
#include <tuple>

#include "collect/collect_steps.h"
#include "collect/file_types.h"
#include "collect/picture_header.h"
#include "engine_fixture.h"
#include "platform/platform.h"
#include "settings/settings_table.h"
#include "zuno.h"

namespace fs = std::filesystem;

namespace {

struct Header {
  int kb = -7;  // -7: the reader left it alone
  int16_t w = -7, h = -7;
  uint32_t flags = 0;
};

Header read_mem(const std::string &bytes, int type, int make_thumbnail = 0) {
  ZunoRecord rec{};
  rec.CurrentWidth = 100;
  rec.MakeThumbnail = make_thumbnail;
  Header r;
  int16_t dw = 0, dh = 0;
  r.kb = read_picture_header_bytes(&rec, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), type,
                                   &dw, &dh, &r.w, &r.h, &r.flags);
  return r;
}

std::string le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}
std::string be32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (24 - 8 * i));
  return s;
}

// A RIFF WebP whose only chunk is `code` with `payload`; `riff_extra` bends the RIFF size.
std::string webp(const std::string &code, const std::string &payload, int riff_extra = 0) {
  const uint32_t riff = static_cast<uint32_t>(4 + 8 + payload.size() + riff_extra);
  return "RIFF" + le32(riff) + "WEBP" + code + le32(static_cast<uint32_t>(payload.size())) + payload;
}
std::string lossy_payload(unsigned w, unsigned h, char tag = '\x10') {
  std::string p = std::string(1, tag) + std::string("\x00\x00", 2) + "\x9D\x01\x2A";
  p += static_cast<char>(w & 0xFF);
  p += static_cast<char>(w >> 8);
  p += static_cast<char>(h & 0xFF);
  p += static_cast<char>(h >> 8);
  return p;
}
std::string lossless_payload(unsigned w, unsigned h, unsigned version = 0) {
  const uint32_t bits = (w - 1) | ((h - 1) << 14) | (version << 29);
  return "\x2F" + le32(bits);
}
std::string extended_payload(unsigned w, unsigned h, char flags) {
  std::string p = std::string(1, flags) + std::string(3, '\0');
  for (unsigned v : {w - 1, h - 1})
    for (int i = 0; i < 3; ++i) p += static_cast<char>(v >> (8 * i));
  return p;
}

std::string box(const std::string &type, const std::string &body) {
  return be32(static_cast<uint32_t>(8 + body.size())) + type + body;
}
std::string full_box(const std::string &type, const std::string &body, char version = 0) {
  return box(type, std::string(1, version) + std::string(3, '\0') + body);
}
std::string ispe(uint32_t w, uint32_t h) {
  return full_box("ispe", be32(w) + be32(h));
}
// ftyp, then meta with primary item 1 associated with the given properties (numbered from 1).
std::string avif(const std::string &properties, const std::string &associations,
                 const std::string &brand = "avif", const std::string &tail = "") {
  const std::string ftyp = box("ftyp", brand + be32(0) + brand + "mif1miaf");
  const std::string pitm = full_box("pitm", std::string("\x00\x01", 2));
  const std::string ipma = full_box(
      "ipma", be32(1) + std::string("\x00\x01", 2) + static_cast<char>(associations.size()) + associations);
  const std::string iprp = box("iprp", box("ipco", properties) + ipma);
  return ftyp + full_box("meta", pitm + iprp) + tail;
}

class WebpAvif : public EngineTest {
 protected:
  // The size ImageMagick's identify reports, as "WxH".
  std::string identified(const std::string &file) {
    CommandOutcome o = run_command("/usr/bin/identify -format '%wx%h\\n' '" + file + "' | head -1");
    EXPECT_EQ(o.exit_code, 0) << o.err;
    return o.out.substr(0, o.out.find('\n'));
  }
  std::string read_size(const std::string &file, int type, uint32_t *flags = nullptr) {
    Header r;
    int16_t dw = 0, dh = 0;
    ZunoRecord rec{};
    rec.CurrentWidth = 100;
    r.kb = read_picture_header(&rec, file.c_str(), type, &dw, &dh, &r.w, &r.h, &r.flags);
    if (flags) *flags = r.flags;
    if (r.kb < 0) return "refused";
    return std::to_string(r.w) + "x" + std::to_string(r.h);
  }
  std::string avif_tool(const std::string &name, const std::string &args) {
    const std::string p = path(name);
    EXPECT_EQ(run_command(std::string("'") + MAKE_AVIF + "' '" + p + "' " + args).exit_code, 0);
    return p;
  }
  std::string animated_webp(const std::string &name) {
    const std::string a = picture("frame_a.png", 50, 30), b = picture("frame_b.png", 50, 30);
    const std::string p = path(name);
    EXPECT_EQ(run_command("/usr/bin/convert -delay 10 '" + a + "' '" + b + "' -loop 0 '" + p + "'").exit_code,
              0);
    return p;
  }
};

TEST(FileTypes, WebpAndAvifAreFreeCodesInsideEveryPictureMask) {
  EXPECT_EQ(file_type("a.webp"), TYPE_WEBP);
  EXPECT_EQ(file_type("/x/B.WebP"), TYPE_WEBP);
  EXPECT_EQ(file_type("c.tar.AVIF"), TYPE_AVIF);
  EXPECT_EQ(file_type("d.avif.part"), -1);
  EXPECT_EQ(file_type("e.webpx"), -1);
  EXPECT_EQ(TYPE_WEBP, 0x80);
  EXPECT_EQ(TYPE_AVIF, 0x1000);
  for (int other : {TYPE_AVI, TYPE_GIF, TYPE_PNG, TYPE_BMP, TYPE_TIF, TYPE_JPEG, TYPE_MOVIE, TYPE_HTML,
                    TYPE_SHORTCUT, TYPE_LINKFILE, TYPE_CGI}) {
    EXPECT_EQ(other & (TYPE_WEBP | TYPE_AVIF), 0) << other;
    EXPECT_NE(other & (PICTURE_MASK | TYPE_HTML | TYPE_SHORTCUT | TYPE_LINKFILE | TYPE_CGI), 0) << other;
  }
  EXPECT_EQ(TYPE_AVIF & (PICTURE_MASK | TYPE_HTML | TYPE_SHORTCUT | TYPE_LINKFILE | TYPE_CGI), TYPE_AVIF);
  EXPECT_NE(CACHE_SCAN_MASK & TYPE_WEBP, 0);
  EXPECT_NE(CACHE_SCAN_MASK & TYPE_AVIF, 0);
  EXPECT_EQ(CACHE_SCAN_MASK & (TYPE_SHORTCUT | TYPE_LINKFILE), 0);
  EXPECT_TRUE(is_picture_type(TYPE_WEBP));
  EXPECT_TRUE(is_picture_type(TYPE_AVIF));
  EXPECT_FALSE(is_picture_type(TYPE_FOLDER));
  EXPECT_FALSE(is_picture_type(TYPE_HTML));
  EXPECT_FALSE(is_picture_type(-1));
}

TEST_F(WebpAvif, ImageMagickWebpIsSizedAsIdentifySizesIt) {
  const std::string lossy = picture("lossy.webp", 123, 45, "-quality 70");
  const std::string lossless = picture("lossless.webp", 77, 301, "-define webp:lossless=true");
  const std::string alpha = picture("alpha.webp", 64, 48, "-alpha set -channel A -evaluate set 50% +channel");
  const std::string anim = animated_webp("anim.webp");
  for (const std::string &f : {lossy, lossless, alpha, anim}) {
    uint32_t flags = 0;
    EXPECT_EQ(read_size(f, TYPE_WEBP, &flags), identified(f)) << f;
    EXPECT_EQ(flags & FLAG_ANIMATED, f == anim ? FLAG_ANIMATED : 0u) << f;
  }
  // The chunk that was read is the one each encoding uses.
  EXPECT_EQ(read(lossy).substr(12, 4), "VP8 ");
  EXPECT_EQ(read(lossless).substr(12, 4), "VP8L");
  EXPECT_EQ(read(alpha).substr(12, 4), "VP8X");
}

TEST_F(WebpAvif, AvifIsSizedAsIdentifySizesItIncludingRotation) {
  const std::string plain = picture("plain.avif", 90, 40);
  const std::string quarter = avif_tool("quarter.avif", "48 20 --angle 1");
  const std::string half = avif_tool("half.avif", "48 20 --angle 2");
  const std::string three = avif_tool("three.avif", "48 20 --angle 3 --mirror 1");
  const std::string sequence = avif_tool("sequence.avif", "36 24 --frames 3");
  EXPECT_EQ(identified(quarter), "20x48") << "identify turns the picture as the file says";
  for (const std::string &f : {plain, quarter, half, three, sequence}) {
    uint32_t flags = 0;
    EXPECT_EQ(read_size(f, TYPE_AVIF, &flags), identified(f)) << f;
    EXPECT_EQ(flags & FLAG_ANIMATED, f == sequence ? FLAG_ANIMATED : 0u) << f;
  }
  EXPECT_EQ(read_size(half, TYPE_AVIF), "48x20");
}

TEST_F(WebpAvif, EveryCutOfARealFileIsRefusedOrReadTheSame) {
  const std::string files[] = {read(picture("a.webp", 40, 30)),
                               read(picture("b.webp", 40, 30, "-define webp:lossless=true")),
                               read(animated_webp("c.webp")),
                               read(picture("d.avif", 40, 30)),
                               read(avif_tool("e.avif", "40 30 --angle 1")),
                               read(avif_tool("f.avif", "40 30 --frames 2"))};
  for (const std::string &whole : files) {
    const int type = whole.substr(8, 4) == "WEBP" ? TYPE_WEBP : TYPE_AVIF;
    const Header full = read_mem(whole, type);
    ASSERT_GE(full.kb, 0);
    EXPECT_EQ(read_mem(whole, type, 1).kb, full.kb) << "a whole file passes the completeness check";
    // ImageMagick's animated WebP has a stray RIFF after the container: a cut inside it cuts no picture.
    const size_t container = type == TYPE_WEBP ? 8 + static_cast<uint8_t>(whole[4]) +
                                                     256u * static_cast<uint8_t>(whole[5]) +
                                                     65536u * static_cast<uint8_t>(whole[6])
                                               : whole.size();
    ASSERT_LE(container, whole.size());
    for (size_t n = 0; n < whole.size(); ++n) {
      const Header cut = read_mem(whole.substr(0, n), type);
      if (cut.kb >= 0) {
        EXPECT_EQ(cut.w, full.w) << n;
        EXPECT_EQ(cut.h, full.h) << n;
      }
      if (n >= container) continue;
      const Header checked = read_mem(whole.substr(0, n), type, 1);
      EXPECT_EQ(checked.kb, -1) << "a cut file is refused for thumbnails at " << n;
      EXPECT_EQ(checked.w, -7);
    }
  }
}

TEST_F(WebpAvif, AnimatedWebpAndAvifSequencesPassTheAnimationRuleAsLoopingGifsDo) {
  ZunoRecord rec{};
  rec.SearchSizeType = 1;  // only pictures at least MaxX wide …
  rec.MaxX = 1000;
  rec.MotionGIF = 1;  // … unless they move
  rec.BannerX = rec.BannerY = 1;
  const std::string still = picture("still.webp", 50, 30);
  for (const auto &[file, type, moves] :
       {std::tuple{animated_webp("anim.webp"), TYPE_WEBP, true},
        std::tuple{avif_tool("seq.avif", "50 30 --frames 2"), TYPE_AVIF, true},
        std::tuple{still, TYPE_WEBP, false}, std::tuple{avif_tool("one.avif", "50 30"), TYPE_AVIF, false}}) {
    FileNode node{};
    ASSERT_GE(read_picture_header(&rec, file.c_str(), type, &node.disp_width, &node.disp_height, &node.width,
                                  &node.height, &node.flags),
              0)
        << file;
    EXPECT_EQ(accept_picture(&rec, node.width, node.height, &node), moves ? 1 : 0) << file;
    rec.MotionGIF = 0;
    EXPECT_EQ(accept_picture(&rec, node.width, node.height, &node), 0) << file << " without the rule";
    rec.MotionGIF = 1;
  }
}

TEST(WebpHeader, EachFirstChunkIsReadAndItsFieldsChecked) {
  EXPECT_EQ(read_mem(webp("VP8 ", lossy_payload(300, 200)), TYPE_WEBP).w, 300);
  // The upscaling bits above the 14-bit size do not change the stored size.
  Header scaled = read_mem(webp("VP8 ", lossy_payload(300 | 0xC000, 200 | 0x4000)), TYPE_WEBP);
  EXPECT_EQ(scaled.w, 300);
  EXPECT_EQ(scaled.h, 200);
  Header lossless = read_mem(webp("VP8L", lossless_payload(16384, 1)), TYPE_WEBP);
  EXPECT_EQ(lossless.w, 16384);
  EXPECT_EQ(lossless.h, 1);
  Header big = read_mem(webp("VP8X", extended_payload(30000, 20000, '\x02')), TYPE_WEBP);
  EXPECT_EQ(big.w, 30000);
  EXPECT_EQ(big.h, 20000);
  EXPECT_EQ(big.flags, FLAG_ANIMATED);
  EXPECT_EQ(read_mem(webp("VP8X", extended_payload(3, 4, '\x10')), TYPE_WEBP).flags, 0u) << "alpha only";
}

TEST(WebpHeader, HostileOrForeignBytesAreRefused) {
  const int refused = -1;
  EXPECT_EQ(read_mem(webp("VP8 ", lossy_payload(300, 200, '\x11')), TYPE_WEBP).kb, refused)
      << "not a key frame";
  std::string no_start = lossy_payload(300, 200);
  no_start[3] = 'x';
  EXPECT_EQ(read_mem(webp("VP8 ", no_start), TYPE_WEBP).kb, refused) << "no start code";
  EXPECT_EQ(read_mem(webp("VP8 ", lossy_payload(0, 200)), TYPE_WEBP).kb, refused) << "no width";
  EXPECT_EQ(read_mem(webp("VP8 ", lossy_payload(300, 200).substr(0, 9)), TYPE_WEBP).kb, refused)
      << "short chunk";
  EXPECT_EQ(read_mem(webp("VP8L", lossless_payload(5, 5, 1)), TYPE_WEBP).kb, refused) << "unknown version";
  EXPECT_EQ(read_mem(webp("VP8L", "\x2E" + lossless_payload(5, 5).substr(1)), TYPE_WEBP).kb, refused);
  EXPECT_EQ(read_mem(webp("VP8X", extended_payload(5, 5, 0).substr(0, 9)), TYPE_WEBP).kb, refused);
  EXPECT_EQ(read_mem(webp("ALPH", std::string(10, '\0')), TYPE_WEBP).kb, refused) << "no picture chunk first";
  EXPECT_EQ(read_mem(webp("VP8L", lossless_payload(5, 5), -1), TYPE_WEBP).kb, refused)
      << "RIFF smaller than chunk";
  // A chunk that claims more than the file holds reads its fixed part but is never called whole.
  std::string claims_more = webp("VP8L", lossless_payload(5, 5));
  claims_more.replace(16, 4, le32(0x7FFFFFF0));
  EXPECT_EQ(read_mem(claims_more, TYPE_WEBP, 1).kb, refused);
  std::string wave = webp("VP8L", lossless_payload(5, 5));
  wave.replace(8, 4, "WAVE");
  EXPECT_EQ(read_mem(wave, TYPE_WEBP).kb, refused);
  EXPECT_EQ(read_mem(wave, TYPE_AVI).w, -7) << "a WebP is no AVI";
  EXPECT_EQ(read_mem("", TYPE_WEBP).kb, refused);
}

TEST(AvifHeader, ThePrimaryItemsPropertiesAreTheOnesApplied) {
  const std::string two = ispe(10, 20) + ispe(300, 400) + box("free", "") + box("irot", "\x01");
  // Item 1 has properties 2 (300x400) and 4 (a quarter turn); property 1 belongs to no item.
  Header r = read_mem(avif(two, std::string("\x82\x04", 2)), TYPE_AVIF);
  EXPECT_EQ(r.w, 400);
  EXPECT_EQ(r.h, 300);
  r = read_mem(avif(two, std::string("\x02", 1)), TYPE_AVIF);
  EXPECT_EQ(r.w, 300);
  EXPECT_EQ(r.h, 400);
  EXPECT_EQ(r.flags, 0u);
  EXPECT_EQ(read_mem(avif(ispe(5, 6), "\x01", "avis"), TYPE_AVIF).flags, FLAG_ANIMATED);
  // A 64-bit box size is followed.
  const std::string large = be32(1) + "free" + be32(0) + be32(16);
  const std::string file = avif(ispe(7, 8), "\x01");
  const size_t after_ftyp = 28;
  EXPECT_EQ(read_mem(file.substr(0, after_ftyp) + large + file.substr(after_ftyp), TYPE_AVIF).w, 7);
}

TEST(AvifHeader, ASequenceWithoutItemsIsSizedByItsFirstTrack) {
  const std::string ftyp = box("ftyp", std::string("avis") + be32(0) + "avismsf1");
  auto tkhd = [](char version, uint32_t w, uint32_t h) {
    return full_box("tkhd", std::string(version == 1 ? 84 : 72, '\0') + be32(w << 16) + be32(h << 16),
                    version);
  };
  Header r = read_mem(ftyp + box("moov", box("mvhd", "") + box("trak", tkhd(0, 320, 180))), TYPE_AVIF);
  EXPECT_EQ(r.w, 320);
  EXPECT_EQ(r.h, 180);
  EXPECT_EQ(r.flags, FLAG_ANIMATED);
  EXPECT_EQ(read_mem(ftyp + box("moov", box("trak", tkhd(1, 64, 48))), TYPE_AVIF).h, 48);
  const std::string short_tkhd = full_box("tkhd", std::string(72, '\0') + be32(320 << 16));
  EXPECT_EQ(read_mem(ftyp + box("moov", box("trak", short_tkhd)), TYPE_AVIF).kb, -1);
  // A still picture's brand does not send the reader to the tracks.
  const std::string still = box("ftyp", std::string("avif") + be32(0) + "avifmif1");
  EXPECT_EQ(read_mem(still + box("moov", box("trak", tkhd(0, 320, 180))), TYPE_AVIF).kb, -1);
}

TEST(AvifHeader, HostileOrForeignBoxesAreRefused) {
  const int refused = -1;
  EXPECT_EQ(read_mem(avif(ispe(5, 6), "\x01", "heic"), TYPE_AVIF).kb, refused) << "not an AVIF brand";
  EXPECT_EQ(read_mem(avif(ispe(5, 6), "\x02"), TYPE_AVIF).kb, refused) << "association past the properties";
  EXPECT_EQ(read_mem(avif(ispe(0, 6), "\x01"), TYPE_AVIF).kb, refused) << "no width";
  EXPECT_EQ(read_mem(avif(box("ispe", "short"), "\x01"), TYPE_AVIF).kb, refused) << "short ispe";
  EXPECT_EQ(read_mem(avif(box("colr", "nclx"), "\x01"), TYPE_AVIF).kb, refused) << "no size at all";
  std::string meta_too_long = avif(ispe(5, 6), "\x01");
  meta_too_long.replace(28, 4, be32(0x7FFFFFFF));
  EXPECT_EQ(read_mem(meta_too_long, TYPE_AVIF).kb, refused);
  std::string box_below_header = avif(ispe(5, 6), "\x01");
  box_below_header.replace(28, 4, be32(7));
  EXPECT_EQ(read_mem(box_below_header, TYPE_AVIF).kb, refused);
  EXPECT_EQ(read_mem(avif(ispe(5, 6), std::string(200, '\x7F')), TYPE_AVIF).kb, refused)
      << "no such property";
  // ipma claims four billion entries: the walk stops at the box's end.
  std::string endless = avif(ispe(5, 6), "\x01");
  const size_t count_at = endless.find("ipma") + 8;
  endless.replace(count_at, 4, be32(0xFFFFFFFF));
  endless.replace(count_at + 4, 2, std::string("\x00\x02", 2));  // not item 1
  EXPECT_EQ(read_mem(endless, TYPE_AVIF).kb, refused);
  // A trailing box that runs past the end leaves the size readable but the file not whole.
  const std::string cut_tail = avif(ispe(5, 6), "\x01", "avif", be32(100) + "mdat" + "xy");
  EXPECT_EQ(read_mem(cut_tail, TYPE_AVIF).w, 5);
  EXPECT_EQ(read_mem(cut_tail, TYPE_AVIF, 1).kb, refused);
  EXPECT_EQ(read_mem(avif(ispe(5, 6), "\x01", "avif", box("mdat", "xy")), TYPE_AVIF, 1).w, 5);
  EXPECT_EQ(read_mem(avif(ispe(5, 6), "\x01"), TYPE_AVIF, 1).kb, refused) << "cut before the picture's data";
}

// quillo.ini's type mask: an older file's "everything" takes the new types, a choice does not.
class TypeMaskFile : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    settings_ = mkdir("prog");
    ASSERT_TRUE(plat::read_file(source_dir() + "/data/quillo.ini", &ini_));
  }
  int loaded_with(const std::string &value) {
    std::string text = ini_;
    const size_t at = text.find("\nEnableFileType=");
    const size_t end = text.find('\n', at + 1);
    text.replace(at, end - at, "\nEnableFileType=" + value);
    write("prog/quillo.ini", text);
    reset_engine();
    EXPECT_EQ(ZunoInit(settings_.c_str()), 0);
    return ZunoGet(ZUNO_EnableFileType);
  }
  std::string stored() {
    const std::string text = read("prog/quillo.ini");
    const size_t at = text.find("\nEnableFileType=") + 16;
    return text.substr(at, text.find_first_of("\r\n", at) - at);
  }
  std::string settings_, ini_;
};

TEST_F(TypeMaskFile, OlderEverythingTakesTheNewTypesAndChoicesStay) {
  EXPECT_EQ(loaded_with("127"), 0x10FF);
  EXPECT_EQ(loaded_with("383"), 0x10FF | 0x100) << "pages on top of every older type";
  EXPECT_EQ(loaded_with("126"), 126) << "AVI left out: a choice, kept";
  EXPECT_EQ(loaded_with("32"), 32);
  EXPECT_EQ(loaded_with("0"), 0);
  EXPECT_EQ(loaded_with("4351"), 4351);
  EXPECT_EQ(loaded_with("255"), 255) << "WebP without AVIF was chosen";
  EXPECT_EQ(loaded_with("32895"), 127) << "the older types only, chosen on purpose";
}

TEST_F(TypeMaskFile, ChoosingTheOlderTypesOnlySurvivesSavingAndReading) {
  loaded_with("4351");
  ZunoPut(ZUNO_EnableFileType, 127);
  ASSERT_EQ(ZunoFlash(), 0);
  EXPECT_EQ(stored(), "32895");
  EXPECT_EQ(loaded_with(stored()), 127);
  ZunoPut(ZUNO_EnableFileType, 0x1020);
  ASSERT_EQ(ZunoFlash(), 0);
  EXPECT_EQ(stored(), "4128") << "a value that cannot be mistaken is written plainly";
  EXPECT_EQ(type_mask_for_file(type_mask_from_file(127)), 0x10FF);
}

TEST_F(TypeMaskFile, TheDistributedSettingsTakeEveryPictureType) {
  write("prog/quillo.ini", ini_);
  ASSERT_EQ(ZunoInit(settings_.c_str()), 0);
  EXPECT_EQ(ZunoGet(ZUNO_EnableFileType), ZUNO_TYPES_PICTURES);
  EXPECT_NE(ini_.find("128 WebP"), std::string::npos);
  EXPECT_NE(ini_.find("4096 AVIF"), std::string::npos);
}

// A folder of WebP and AVIF pictures catalogued by quillo as a folder of JPEGs is.
class ModernFolderRun : public WebpAvif {
 protected:
  void SetUp() override {
    WebpAvif::SetUp();
    quillo_ = program_dir() + "/quillo";
    ASSERT_TRUE(plat::exists(quillo_));
    program_settings("settings");
    picture("pics/photo.jpg", 120, 90);
    picture("pics/lossy.webp", 130, 70, "-quality 60");
    picture("pics/lossless.webp", 70, 130, "-define webp:lossless=true");
    picture("pics/still.avif", 140, 60);
    avif_tool("pics/turned.avif", "60 140 --angle 1");
  }
  CommandOutcome run_quillo(const std::string &extra) {
    return run_command("'" + quillo_ + "' -q --settings '" + path("settings") + "' --output '" + path("out") +
                       "' " + extra + " '" + path("pics") + "'");
  }
  // Every catalog page's text.
  std::string pages() {
    std::string all;
    for (const auto &e : fs::recursive_directory_iterator(path("out")))
      if (e.path().extension() == ".html") all += read(e.path().string());
    return all;
  }
  std::string quillo_;
};

TEST_F(ModernFolderRun, WebpAndAvifAreCataloguedAtTheirSizes) {
  CommandOutcome o = run_quillo("");
  ASSERT_EQ(o.exit_code, 0) << o.out << o.err;
  const std::string html = pages();
  for (const char *name : {"photo.jpg", "lossy.webp", "lossless.webp", "still.avif", "turned.avif"})
    EXPECT_NE(html.find(name), std::string::npos) << name;
  EXPECT_NE(html.find("turned.avif',140,60"), std::string::npos) << "the turned picture's shown size";
  EXPECT_NE(html.find("lossless.webp',70,130"), std::string::npos);
}

TEST_F(ModernFolderRun, LeftOutTypesStayOut) {
  CommandOutcome o = run_quillo("--set EnableFileType=" + std::to_string(TYPE_JPEG | TYPE_AVIF));
  ASSERT_EQ(o.exit_code, 0) << o.out << o.err;
  const std::string html = pages();
  EXPECT_NE(html.find("photo.jpg"), std::string::npos);
  EXPECT_NE(html.find("still.avif"), std::string::npos);
  EXPECT_EQ(html.find(".webp"), std::string::npos);
}

}  // namespace
