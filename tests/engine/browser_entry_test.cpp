// The Chromium and Firefox entry readers and the body decoder against real cache
// files written by the browsers (tests/data/browser-caches, with the site files
// the browsers fetched), against those files torn at every length, and against
// copies whose lengths and offsets were made to lie.
#include <brotli/decode.h>
#include <zlib.h>
#include <zstd.h>

#include <functional>

#include "cache/cached_response.h"
#include "engine_fixture.h"
#include "platform/platform.h"

namespace {

std::string data_file(const std::string &name) {
  std::string bytes;
  EXPECT_TRUE(plat::read_file(source_dir() + "/tests/data/browser-caches/" + name, &bytes)) << name;
  return bytes;
}

const uint8_t *bytes_of(const std::string &s) {
  return reinterpret_cast<const uint8_t *>(s.data());
}

bool read_chromium(const std::string &file, CachedResponse *out) {
  return read_chromium_entry(bytes_of(file), file.size(), out);
}

bool read_firefox(const std::string &file, CachedResponse *out) {
  return read_firefox_entry(bytes_of(file), file.size(), out);
}

std::string body_of(const std::string &file, const CachedResponse &r) {
  return file.substr(r.body_offset, r.body_size);
}

void put_le32(std::string *s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>(v >> (8 * i));
}

void put_be32(std::string *s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>(v >> (8 * (3 - i)));
}

uint32_t le32(const std::string &s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
  return v;
}

// What a sample entry must give: its address, head fields and the site file its
// body equals ("" for an empty body).
struct Expected {
  const char *file;
  const char *url;
  int status;
  const char *type;
  const char *encoding;
  const char *body;
};

constexpr const char *kU = "http://127.0.0.1:8731";
constexpr int64_t kRunDay = 1796601600;  // 2026-12-07 00:00 UTC, the day the samples were made

void check_sample(const Expected &e, const std::string &file, const CachedResponse &r) {
  SCOPED_TRACE(e.file);
  EXPECT_EQ(r.url, std::string(kU) + e.url);
  EXPECT_EQ(r.status, e.status);
  EXPECT_EQ(r.content_type, e.type);
  EXPECT_EQ(r.content_encoding, e.encoding);
  EXPECT_GE(r.response_time, kRunDay);
  EXPECT_LT(r.response_time, kRunDay + 86400);
  ASSERT_LE(r.body_offset + r.body_size, file.size());
  std::string expected_body = *e.body ? data_file(std::string("site/") + e.body) : "";
  EXPECT_EQ(body_of(file, r), expected_body);
}

const Expected kChromium[] = {
    {"04c41b4efa8f1ebb_0", "/logo.png", 200, "image/png", "", "logo.png"},
    {"066df8f7644c5182_0", "/gz.html", 200, "text/html", "gzip", "gz.html.gz"},
    {"45f500d67858cc9e_0", "/br.html", 200, "text/html", "br", "br.html.br"},
    {"6c530d733d5a5995_0", "/data.json", 200, "application/json", "", "data.json"},
    {"a41dfa7173445e67_0", "/target.html?framed-by=localhost", 200, "text/html", "", "target.html"},
    {"5c166875b5b1490b_0", "/target.html?via=localhost-nav", 200, "text/html", "", "target.html"},
    {"25a6dcceafe3f606_0", "/favicon.ico", 404, "", "", ""},
    {"9d6e1a6fd7b3aa44_0", "/redir-img", 302, "", "", ""},
    {"3470d9d2715f7265_0", "/redir", 301, "", "", ""},
    {"d7471ae15ab7139c_0", "/tone.wav", 206, "audio/wav", "", ""},
};

const Expected kFirefox[] = {
    {"728393926F2E4BD02D78A4F6382E5480DCC140C8", "/logo.png", 200, "image/png", "", "logo.png"},
    {"7065830E720FAD7EE2854F8255ADF135D1B94E99", "/gz.html", 200, "text/html", "gzip", "gz.html.gz"},
    {"7A7F53619760DBCEF80259855A79475956D3C195", "/br.html", 200, "text/html", "br", "br.html.br"},
    {"4CCFE75533A6896605D2306620D80A274FFE5383", "/app.js", 200, "text/javascript", "", "app.js"},
    {"CC8C07D23A713854010C96AA69768CB13830F468", "/data.json", 200, "application/json", "", "data.json"},
    {"CED8FB7F130A4F107BDDE606FC6F018196212281", "/target.html?framed-by=localhost", 200, "text/html", "",
     "target.html"},
    {"D2D5E7A63405798EF8CF478C63B42B0EC75D4022", "/tone.wav", 206, "audio/wav", "", "tone.wav"},
    {"FC41FFABB9E6E5EB102ADCA7E499EB0BF32853DC", "/favicon.ico", 404, "", "", ""},
    {"A1F33DF7E8F3BC9F62DE8A389A746F03D3AB15FE", "/redir-img", 302, "", "", ""},
};

// Every sample of a browser, read by that browser's reader.
void for_each_sample(const char *folder, const Expected *begin, const Expected *end,
                     const std::function<void(const Expected &, const std::string &)> &check) {
  for (const Expected *e = begin; e != end; ++e) check(*e, data_file(std::string(folder) + "/" + e->file));
}

std::string decoded(std::string_view encoding, const std::string &body, size_t limit = 1 << 20) {
  std::string out = "untouched";
  if (!decode_body(encoding, bytes_of(body), body.size(), &out, limit)) return "<refused>";
  return out;
}

// --- the real entries -------------------------------------------------------

TEST(ChromiumEntry, EverySampleGivesItsAddressHeadAndTheSiteFileAsBody) {
  for_each_sample("chromium", std::begin(kChromium), std::end(kChromium),
                  [](const Expected &e, const std::string &file) {
                    CachedResponse r;
                    ASSERT_TRUE(read_chromium(file, &r)) << e.file;
                    check_sample(e, file, r);
                  });
}

TEST(FirefoxEntry, EverySampleGivesItsAddressHeadAndTheSiteFileAsBody) {
  for_each_sample("firefox", std::begin(kFirefox), std::end(kFirefox),
                  [](const Expected &e, const std::string &file) {
                    CachedResponse r;
                    ASSERT_TRUE(read_firefox(file, &r)) << e.file;
                    check_sample(e, file, r);
                  });
}

TEST(BrowserEntries, RangedAudioKeepsItsContentRangeAndChromiumRebuildsItFromTheSparseFile) {
  CachedResponse chromium, firefox;
  ASSERT_TRUE(read_chromium(data_file("chromium/d7471ae15ab7139c_0"), &chromium));
  ASSERT_TRUE(read_firefox(data_file("firefox/D2D5E7A63405798EF8CF478C63B42B0EC75D4022"), &firefox));
  EXPECT_EQ(chromium.content_range, "bytes 0-64043/64044");
  EXPECT_EQ(firefox.content_range, "bytes 0-64043/64044");
  std::string sparse = data_file("chromium/d7471ae15ab7139c_s"), body = "untouched";
  ASSERT_TRUE(read_chromium_sparse(bytes_of(sparse), sparse.size(), &body));
  EXPECT_EQ(body, data_file("site/tone.wav"));
}

TEST(BrowserEntries, CompressedBodiesDecodeToTheSiteFiles) {
  CachedResponse r;
  std::string gz = data_file("chromium/066df8f7644c5182_0");
  ASSERT_TRUE(read_chromium(gz, &r));
  EXPECT_EQ(decoded(r.content_encoding, body_of(gz, r)), data_file("site/gz.html"));
  std::string br = data_file("firefox/7A7F53619760DBCEF80259855A79475956D3C195");
  ASSERT_TRUE(read_firefox(br, &r));
  EXPECT_EQ(decoded(r.content_encoding, body_of(br, r)), data_file("site/br.html"));
}

TEST(BrowserEntries, EntriesThatHoldNoWebResponseAreRefused) {
  CachedResponse r;
  r.url = "kept";
  EXPECT_FALSE(read_chromium(data_file("chromium/code-cache-5300abeb047fab40_0"), &r)) << "V8 code cache";
  EXPECT_FALSE(read_firefox(data_file("firefox/doomed-1177127209"), &r)) << ":about:home";
  EXPECT_FALSE(read_firefox(data_file("firefox/encrypted-2308EFC5E4B10F22EAADED2313614063983DF709"), &r));
  EXPECT_FALSE(read_chromium(data_file("firefox/728393926F2E4BD02D78A4F6382E5480DCC140C8"), &r));
  EXPECT_FALSE(read_firefox(data_file("chromium/04c41b4efa8f1ebb_0"), &r));
  EXPECT_FALSE(read_chromium_entry(nullptr, 0, &r));
  EXPECT_FALSE(read_firefox_entry(nullptr, 0, &r));
  EXPECT_EQ(r.url, "kept") << "a refused entry leaves the record alone";
}

// --- torn entries ----------------------------------------------------------

// Every prefix of a file as the copy of an entry still being written.
TEST(BrowserEntries, EveryPrefixOfAnEntryIsRefused) {
  const char *chromium[] = {"04c41b4efa8f1ebb_0", "066df8f7644c5182_0", "25a6dcceafe3f606_0",
                            "d7471ae15ab7139c_0"};
  const char *firefox[] = {"728393926F2E4BD02D78A4F6382E5480DCC140C8",
                           "7065830E720FAD7EE2854F8255ADF135D1B94E99",
                           "FC41FFABB9E6E5EB102ADCA7E499EB0BF32853DC"};
  CachedResponse r;
  for (const char *name : chromium) {
    std::string file = data_file(std::string("chromium/") + name);
    for (size_t cut = 0; cut < file.size(); ++cut)
      ASSERT_FALSE(read_chromium(file.substr(0, cut), &r)) << name << " cut at " << cut;
  }
  for (const char *name : firefox) {
    std::string file = data_file(std::string("firefox/") + name);
    for (size_t cut = 0; cut < file.size(); ++cut)
      ASSERT_FALSE(read_firefox(file.substr(0, cut), &r)) << name << " cut at " << cut;
  }
  std::string sparse = data_file("chromium/d7471ae15ab7139c_s"), body = "untouched";
  for (size_t cut = 0; cut < sparse.size(); cut += 97)
    ASSERT_FALSE(read_chromium_sparse(bytes_of(sparse), cut, &body)) << "sparse cut at " << cut;
  EXPECT_EQ(body, "untouched");
}

// The shapes a browser killed mid-download leaves: Chromium's header, key and
// part of the body followed by a few zeros; Firefox's part of the body followed
// by eight 0xFF bytes where the metadata offset would go.
TEST(BrowserEntries, FilesOfAKilledDownloadAreRefused) {
  CachedResponse r;
  std::string chromium = data_file("chromium/04c41b4efa8f1ebb_0");
  EXPECT_FALSE(read_chromium(chromium.substr(0, 24 + 72 + 400) + std::string(6, '\0'), &r));
  std::string firefox = data_file("firefox/728393926F2E4BD02D78A4F6382E5480DCC140C8");
  EXPECT_FALSE(read_firefox(firefox.substr(0, 400) + std::string(8, '\xff'), &r));
  EXPECT_FALSE(read_firefox(std::string(8, '\xff'), &r));
}

// --- hostile lengths and offsets --------------------------------------------

// logo.png's Chromium entry: key 24-95, body 96-709, EOF of stream 1 710-733,
// stream 0 734-1045, key digest 1046-1077, EOF of stream 0 1078-1101.
TEST(ChromiumEntry, LyingLengthsAndDamagedRecordsAreRefused) {
  const std::string logo = data_file("chromium/04c41b4efa8f1ebb_0");
  ASSERT_EQ(logo.size(), 1102u);
  struct Damage {
    const char *what;
    std::function<void(std::string *)> apply;
  } damages[] = {
      {"key length huge", [](std::string *f) { put_le32(f, 12, 0xffffffff); }},
      {"key length runs into the end records", [](std::string *f) { put_le32(f, 12, 1102 - 24 - 40); }},
      {"entry version unknown", [](std::string *f) { put_le32(f, 8, 6); }},
      {"initial magic damaged", [](std::string *f) { (*f)[0] ^= 1; }},
      {"final magic of stream 0 damaged", [](std::string *f) { (*f)[1078] ^= 1; }},
      {"final magic of stream 1 damaged", [](std::string *f) { (*f)[710] ^= 1; }},
      {"stream 0 longer than the file", [](std::string *f) { put_le32(f, 1078 + 16, 0xfffffff0); }},
      {"stream 0 one byte longer", [](std::string *f) { put_le32(f, 1078 + 16, 313); }},
      {"key digest flag cleared", [](std::string *f) { put_le32(f, 1078 + 8, 1); }},
      {"pickle payload longer than stream 0", [](std::string *f) { put_le32(f, 734, 312); }},
      {"pickle payload huge", [](std::string *f) { put_le32(f, 734, 0xffffffff); }},
      {"header block past the pickle", [](std::string *f) { put_le32(f, 734 + 36, 400); }},
      {"header block length negative", [](std::string *f) { put_le32(f, 734 + 36, 0x80000000); }},
      {"pickle version 2", [](std::string *f) { put_le32(f, 738, 0x80040002); }},
      {"marked truncated", [](std::string *f) { put_le32(f, 738, 0x80041003); }},
      {"status line not HTTP", [](std::string *f) { f->replace(734 + 40, 4, "FTP/"); }},
      {"key without a web address", [](std::string *f) { f->replace(24 + 42, 4, "file"); }},
  };
  for (const Damage &d : damages) {
    std::string file = logo;
    d.apply(&file);
    CachedResponse r;
    EXPECT_FALSE(read_chromium(file, &r)) << d.what;
  }
  CachedResponse r;
  ASSERT_TRUE(read_chromium(logo, &r)) << "the undamaged entry";
}

// Older Chromium wrote no key digest before the last record.
TEST(ChromiumEntry, EntryWithoutKeyDigestIsRead) {
  std::string file = data_file("chromium/04c41b4efa8f1ebb_0");
  file.erase(1046, 32);
  put_le32(&file, 1046 + 8, 1);
  CachedResponse r;
  ASSERT_TRUE(read_chromium(file, &r));
  EXPECT_EQ(body_of(file, r), data_file("site/logo.png"));
  EXPECT_EQ(r.content_type, "image/png");
}

TEST(ChromiumEntry, SparseFileWithAHoleOrALyingRangeIsRefused) {
  const std::string sparse = data_file("chromium/d7471ae15ab7139c_s");
  const size_t first = 24 + le32(sparse, 12), second = first + 32 + 3795;
  std::string body = "untouched";
  // Without the first range the resource starts with a hole.
  std::string holed = sparse.substr(0, first) + sparse.substr(second);
  EXPECT_FALSE(read_chromium_sparse(bytes_of(holed), holed.size(), &body));
  // A range whose length runs past the file, or whose end wraps around.
  std::string lying = sparse;
  put_le32(&lying, second + 16, 60250);
  EXPECT_FALSE(read_chromium_sparse(bytes_of(lying), lying.size(), &body));
  lying = sparse;
  put_le32(&lying, second + 8, 0xffffffff), put_le32(&lying, second + 12, 0xffffffff);
  EXPECT_FALSE(read_chromium_sparse(bytes_of(lying), lying.size(), &body));
  EXPECT_FALSE(read_chromium_sparse(bytes_of(sparse), first, &body)) << "no range at all";
  EXPECT_EQ(body, "untouched");
  // The ranges in the other order still rebuild the file.
  std::string swapped =
      sparse.substr(0, first) + sparse.substr(second) + sparse.substr(first, second - first);
  ASSERT_TRUE(read_chromium_sparse(bytes_of(swapped), swapped.size(), &body));
  EXPECT_EQ(body, data_file("site/tone.wav"));
}

// logo.png's Firefox entry: body 0-613, hash 614-617, chunk hash 618-619,
// header 620-651 (key size at 644), key 652-720, NUL 721, elements 722-1343,
// version 1344-1347, offset 1348-1351.
TEST(FirefoxEntry, LyingOffsetsAndDamagedMetadataAreRefused) {
  const std::string logo = data_file("firefox/728393926F2E4BD02D78A4F6382E5480DCC140C8");
  ASSERT_EQ(logo.size(), 1352u);
  auto replaced = [](std::string *f, const std::string &from, const std::string &to) {
    size_t at = f->find(from);
    ASSERT_NE(at, std::string::npos) << from;
    f->replace(at, from.size(), to);
  };
  struct Damage {
    const char *what;
    std::function<void(std::string *)> apply;
  } damages[] = {
      {"offset past the end", [](std::string *f) { put_be32(f, 1348, 5000); }},
      {"offset at the trailer", [](std::string *f) { put_be32(f, 1348, 1344); }},
      {"offset leaves no room for the header", [](std::string *f) { put_be32(f, 1348, 1320); }},
      {"encrypted bit", [](std::string *f) { put_be32(f, 1348, 0x80000266); }},
      {"key size huge", [](std::string *f) { put_be32(f, 644, 0xffffffff); }},
      {"key size into the elements", [](std::string *f) { put_be32(f, 644, 0x46); }},
      {"header version differs from the trailer", [](std::string *f) { put_be32(f, 620, 3); }},
      {"elements do not pair up", [](std::string *f) { f->insert(1344, 1, 'x'), put_be32(f, 1349, 0x266); }},
      {"no response head", [&](std::string *f) { replaced(f, "response-head", "response-hexd"); }},
      {"status line not HTTP", [&](std::string *f) { replaced(f, "HTTP/1.1 200", "HTTP/1.1 2x0"); }},
      {"Content-Length above the stored body",
       [&](std::string *f) { replaced(f, "Length: 614", "Length: 615"); }},
      {"key without a web address", [&](std::string *f) { replaced(f, ":http://127", ":ftp://1270"); }},
  };
  for (const Damage &d : damages) {
    std::string file = logo;
    d.apply(&file);
    CachedResponse r;
    EXPECT_FALSE(read_firefox(file, &r)) << d.what;
  }
  CachedResponse r;
  ASSERT_TRUE(read_firefox(logo, &r)) << "the undamaged entry";
}

// Before format 4 the file ended with the offset word alone.
TEST(FirefoxEntry, OlderFormatWithoutTheVersionWordIsRead) {
  std::string file = data_file("firefox/728393926F2E4BD02D78A4F6382E5480DCC140C8");
  file.erase(1344, 4);
  put_be32(&file, 620, 3);
  CachedResponse r;
  ASSERT_TRUE(read_firefox(file, &r));
  EXPECT_EQ(body_of(file, r), data_file("site/logo.png"));
  EXPECT_EQ(r.url, "http://127.0.0.1:8731/logo.png");
  put_be32(&file, 620, 4);
  EXPECT_FALSE(read_firefox(file, &r)) << "a format 4 header needs its version word";
}

TEST(FirefoxEntry, AltDataOffsetOutsideTheDataOrMalformedIsRefused) {
  const std::string app = data_file("firefox/4CCFE75533A6896605D2306620D80A274FFE5383");
  const std::string mark = std::string("alt-data") + '\0' + "1;7720,";
  const size_t at = app.find(mark);
  ASSERT_NE(at, std::string::npos);
  uint32_t data_size = 0;
  for (size_t i = app.size() - 4; i < app.size(); ++i)
    data_size = data_size << 8 | static_cast<uint8_t>(app[i]);
  // The elements end where the trailer begins, so a longer value keeps the file consistent.
  const std::string bad[] = {"1;" + std::to_string(data_size + 1) + ",",
                             "1;99999999999999999999999,",
                             "1;7720x,",
                             "2;7720,",
                             "1;,",
                             "1;7720"};
  for (const std::string &value : bad) {
    std::string file = app;
    file.replace(at + 9, 7, value);
    CachedResponse r;
    EXPECT_FALSE(read_firefox(file, &r)) << value;
  }
}

// --- keys ----------------------------------------------------------------------

TEST(BrowserEntries, KeysGiveTheirAddressOrNothing) {
  struct {
    const char *key, *url;
  } chromium[] = {
      {"1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1:8731/logo.png",
       "http://127.0.0.1:8731/logo.png"},
      {"1/0/_dk_s_http://localhost http://127.0.0.1 http://h/t?q=1 2", ""},
      {"1/0/https://example.com/a", "https://example.com/a"},
      {"0/17/_dk_cn_https://a https://a https://b/x", "https://b/x"},
      {"https://old.example/p", "https://old.example/p"},
      {"1/0/_dk_no-space-at-all", ""},
      {"_keyhttp://127.0.0.1:8731/app.js \nhttp://127.0.0.1/", ""},
      {"1/0/_dk_http://a http://a chrome://settings", ""},
      {"1/0/", ""},
      {"", ""},
  };
  for (const auto &c : chromium) EXPECT_EQ(url_of_chromium_key(c.key), c.url) << c.key;
  struct {
    const char *key, *url;
  } firefox[] = {
      {"O^partitionKey=%28http%2C127.0.0.1%29,:http://127.0.0.1:8731/logo.png",
       "http://127.0.0.1:8731/logo.png"},
      {"O^partitionKey=%28http%2C127.0.0.1%29,a,:http://h/d.json", "http://h/d.json"},
      {"a,~1234,:https://h/x,y", "https://h/x,y"},
      {"O^x=a,,:b,:http://h/", "http://h/"},
      {":https://h/", "https://h/"},
      {":about:home", ""},
      {"a,:ftp://h/", ""},
      {"O^x=no-end", ""},
      {"a,", ""},
      {"", ""},
  };
  for (const auto &c : firefox) EXPECT_EQ(url_of_firefox_key(c.key), c.url) << c.key;
}

// --- body decoding -------------------------------------------------------------

std::string gzip_of(const std::string &plain, int window_bits) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, plain.size()), '\0');
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef *>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string zstd_of(const std::string &plain) {
  std::string out(ZSTD_compressBound(plain.size()), '\0');
  out.resize(ZSTD_compress(out.data(), out.size(), plain.data(), plain.size(), 3));
  return out;
}

TEST(DecodeBody, EveryCodingRoundTripsAndHonoursItsNameWithoutCase) {
  const std::string page = data_file("site/gz.html");
  EXPECT_EQ(decoded("GZIP", data_file("site/gz.html.gz")), page);
  EXPECT_EQ(decoded("x-gzip", data_file("site/gz.html.gz")), page);
  EXPECT_EQ(decoded("deflate", gzip_of(page, MAX_WBITS)), page) << "zlib-wrapped";
  EXPECT_EQ(decoded("deflate", gzip_of(page, -MAX_WBITS)), page) << "raw";
  EXPECT_EQ(decoded("Br", data_file("site/br.html.br")), data_file("site/br.html"));
  EXPECT_EQ(decoded("zstd", zstd_of(page)), page);
  EXPECT_EQ(decoded("zstd", zstd_of("first ") + zstd_of("second")), "first second") << "two frames";
  EXPECT_EQ(decoded("", page), page);
  EXPECT_EQ(decoded("identity", page), page);
  EXPECT_EQ(decoded("gzip, zstd", zstd_of(gzip_of(page, MAX_WBITS + 16))), page)
      << "codings undone last first";
  EXPECT_EQ(decoded("gzip", ""), "") << "an empty body stays empty";
}

TEST(DecodeBody, OutputPastTheLimitIsRefusedWhateverTheCoding) {
  const std::string page = data_file("site/gz.html");  // 21394 bytes
  const std::string gz = data_file("site/gz.html.gz"), br = data_file("site/br.html.br");
  const std::string br_page = data_file("site/br.html");
  EXPECT_EQ(decoded("gzip", gz, page.size()), page) << "exactly the limit";
  EXPECT_EQ(decoded("gzip", gz, page.size() - 1), "<refused>");
  EXPECT_EQ(decoded("br", br, br_page.size()), br_page);
  EXPECT_EQ(decoded("br", br, br_page.size() - 1), "<refused>");
  EXPECT_EQ(decoded("zstd", zstd_of(page), page.size() - 1), "<refused>");
  EXPECT_EQ(decoded("deflate", gzip_of(page, MAX_WBITS), page.size() - 1), "<refused>");
  EXPECT_EQ(decoded("identity", page, page.size() - 1), "<refused>");
  // 16 MiB of zeros in a few kilobytes stops at the limit.
  const std::string bomb = gzip_of(std::string(16 << 20, '\0'), MAX_WBITS + 16);
  ASSERT_LT(bomb.size(), 100000u);
  EXPECT_EQ(decoded("gzip", bomb, 1 << 20), "<refused>");
  EXPECT_EQ(decoded("zstd", zstd_of(std::string(16 << 20, '\0')), 1 << 20), "<refused>");
}

TEST(DecodeBody, TruncatedDamagedOrUnknownBodiesAreRefusedAndLeaveTheOutputAlone) {
  const std::string page = data_file("site/gz.html");
  const std::string gz = data_file("site/gz.html.gz"), br = data_file("site/br.html.br");
  const std::string zst = zstd_of(page), zlib = gzip_of(page, MAX_WBITS);
  for (size_t cut = 1; cut < gz.size(); cut += 7)
    EXPECT_EQ(decoded("gzip", gz.substr(0, cut)), "<refused>") << cut;
  for (size_t cut = 1; cut < br.size(); cut += 7)
    EXPECT_EQ(decoded("br", br.substr(0, cut)), "<refused>") << cut;
  for (size_t cut = 1; cut < zst.size(); cut += 7)
    EXPECT_EQ(decoded("zstd", zst.substr(0, cut)), "<refused>") << cut;
  for (size_t cut = 1; cut < zlib.size(); cut += 7)
    EXPECT_EQ(decoded("deflate", zlib.substr(0, cut)), "<refused>") << cut;
  std::string flipped = gz;
  flipped[gz.size() - 6] ^= 0x10;  // the CRC no longer matches
  EXPECT_EQ(decoded("gzip", flipped), "<refused>");
  EXPECT_EQ(decoded("gzip", page), "<refused>") << "not gzip at all";
  EXPECT_EQ(decoded("compress", gz), "<refused>");
  EXPECT_EQ(decoded("gzip, sdch", gz), "<refused>");
  EXPECT_EQ(decoded("zstd", gz), "<refused>");
}

}  // namespace
