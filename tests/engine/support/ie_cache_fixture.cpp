#include "ie_cache_fixture.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr size_t kBlock = 128;
constexpr size_t kFirstBlock = 0x4000;  // records start here
constexpr size_t kBitmap = 0x250;       // one bit per block
constexpr size_t kHashBlocks = 32;      // one hash table record: 4 KiB
constexpr size_t kHashSlots = (kHashBlocks * kBlock - 16) / 8;
constexpr size_t kLocationOffset = 0x68;  // where a URL record's location starts
constexpr uint64_t kFileTime2015 = 0x01D0DF25EE8B1260ULL;

void put32(std::string &b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
void put64(std::string &b, size_t at, uint64_t v) {
  put32(b, at, static_cast<uint32_t>(v));
  put32(b, at + 4, static_cast<uint32_t>(v >> 32));
}
size_t round_up(size_t n, size_t to) {
  return (n + to - 1) / to * to;
}

// The padding the browser leaves in unused record space.
void fill_unused(std::string &b, size_t from, size_t to) {
  static const char kPad[4] = {'\xef', '\xbe', '\xad', '\xde'};
  for (size_t i = from; i < to; ++i) b[i] = kPad[i % 4];
}

std::string url_record(const IeCacheItem &item) {
  std::string header =
      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(item.bytes.size()) + "\r\n\r\n~U:ann\r\n";
  size_t file_at = kLocationOffset + round_up(item.address.size() + 1, 8);
  size_t data_at = item.folder >= 0 ? file_at + round_up(item.file.size() + 1, 8) : file_at;
  size_t size = round_up(data_at + header.size() + 1, kBlock);
  std::string r(size, '\0');
  fill_unused(r, 0, size);
  memset(r.data(), 0, kLocationOffset);
  memcpy(r.data(), "URL ", 4);
  put32(r, 4, static_cast<uint32_t>(size / kBlock));
  put64(r, 8, kFileTime2015);   // modified
  put64(r, 16, kFileTime2015);  // accessed
  put32(r, 32, static_cast<uint32_t>(item.bytes.size()));
  put32(r, 48, 0x60);
  put32(r, 52, kLocationOffset);
  r[56] = static_cast<char>(item.folder >= 0 ? item.folder : 0xFE);
  r[58] = r[59] = 0x10;
  put32(r, 60, item.folder >= 0 ? static_cast<uint32_t>(file_at) : 0);
  put32(r, 64, 0x1);  // a normal cache entry
  put32(r, 68, static_cast<uint32_t>(data_at));
  put32(r, 72, static_cast<uint32_t>(header.size()));
  put32(r, 84, 1);  // hits
  memcpy(r.data() + kLocationOffset, item.address.c_str(), item.address.size() + 1);
  if (item.folder >= 0) memcpy(r.data() + file_at, item.file.c_str(), item.file.size() + 1);
  memcpy(r.data() + data_at, header.c_str(), header.size() + 1);
  return r;
}

uint32_t hash_of(const std::string &address) {
  uint32_t h = 2166136261u;
  for (unsigned char c : address) h = (h ^ c) * 16777619u;
  return h & ~0x3Fu;  // the low bits carry flags; 0 marks a URL record
}

}  // namespace

std::string ie_index_bytes(const IeCache &cache) {
  std::vector<std::string> records;
  for (const IeCacheItem &item : cache.items) records.push_back(url_record(item));
  size_t allocated = 0;
  for (size_t i = 0; i < records.size(); ++i)
    if (cache.items[i].allocated) ++allocated;
  size_t tables = std::max<size_t>(1, (allocated + kHashSlots - 1) / kHashSlots);
  size_t size = kFirstBlock + tables * kHashBlocks * kBlock;
  for (const std::string &r : records) size += r.size();
  std::string b(size, '\0');
  memcpy(b.data(), "Client UrlCache MMF Ver 5.2", 28);
  put32(b, 28, static_cast<uint32_t>(size));
  put32(b, 32, static_cast<uint32_t>(kFirstBlock));
  put32(b, 36, static_cast<uint32_t>((size - kFirstBlock) / kBlock));
  put32(b, 48, 50u << 20);  // cache size limit
  put32(b, 72, static_cast<uint32_t>(cache.folders.size()));
  for (size_t i = 0; i < cache.folders.size(); ++i) {
    uint32_t files = 0;
    for (const IeCacheItem &item : cache.items) files += item.folder == static_cast<int>(i);
    put32(b, 76 + 12 * i, files);
    memcpy(b.data() + 80 + 12 * i, cache.folders[i].data(), std::min<size_t>(8, cache.folders[i].size()));
  }
  size_t blocks_used = 0;
  auto mark = [&](size_t offset, size_t length) {
    for (size_t blk = (offset - kFirstBlock) / kBlock; blk < (offset - kFirstBlock + length) / kBlock;
         ++blk) {
      b[kBitmap + blk / 8] = static_cast<char>(b[kBitmap + blk / 8] | (1 << (blk % 8)));
      ++blocks_used;
    }
  };
  // Hash tables first, chained; every slot starts empty (hash equal to offset).
  for (size_t t = 0; t < tables; ++t) {
    size_t at = kFirstBlock + t * kHashBlocks * kBlock;
    memcpy(b.data() + at, "HASH", 4);
    put32(b, at + 4, kHashBlocks);
    put32(b, at + 8, t + 1 < tables ? static_cast<uint32_t>(at + kHashBlocks * kBlock) : 0);
    put32(b, at + 12, static_cast<uint32_t>(t));
    for (size_t s = 0; s < kHashSlots; ++s) put32(b, at + 16 + 8 * s, 3), put32(b, at + 20 + 8 * s, 3);
    mark(at, kHashBlocks * kBlock);
  }
  size_t at = kFirstBlock + tables * kHashBlocks * kBlock, slot = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    memcpy(b.data() + at, records[i].data(), records[i].size());
    if (cache.items[i].allocated) {
      size_t table = kFirstBlock + (slot / kHashSlots) * kHashBlocks * kBlock;
      size_t entry = table + 16 + 8 * (slot % kHashSlots);
      put32(b, entry, hash_of(cache.items[i].address));
      put32(b, entry + 4, static_cast<uint32_t>(at));
      mark(at, records[i].size());
      ++slot;
    }
    at += records[i].size();
  }
  put32(b, 40, static_cast<uint32_t>(blocks_used));
  return b;
}

std::string write_ie_cache(const std::string &cache_folder, const IeCache &cache) {
  namespace fs = std::filesystem;
  fs::path content = fs::path(cache_folder) / "Content.IE5";
  fs::create_directories(content);
  for (const std::string &folder : cache.folders) fs::create_directories(content / folder);
  for (const IeCacheItem &item : cache.items) {
    if (item.folder < 0 || !item.write_file) continue;
    std::ofstream(content / cache.folders[item.folder] / item.file, std::ios::binary) << item.bytes;
  }
  fs::path index = content / "index.dat";
  std::ofstream(index, std::ios::binary) << ie_index_bytes(cache);
  return index.string();
}
