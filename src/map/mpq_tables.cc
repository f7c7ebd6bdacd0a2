#include "map/mpq_tables.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>

#include "map/archive_search.h"
#include "platform/files.h"

namespace zarn {

namespace {

const std::array<std::uint32_t, 0x500>& CryptTable() {
  static const std::array<std::uint32_t, 0x500> table = [] {
    std::array<std::uint32_t, 0x500> t{};
    std::uint32_t seed = 0x00100001;
    for (std::uint32_t i = 0; i < 0x100; ++i) {
      for (std::uint32_t j = 0, index = i; j < 5; ++j, index += 0x100) {
        seed = (seed * 125 + 3) % 0x2AAAAB;
        std::uint32_t high = (seed & 0xFFFF) << 16;
        seed = (seed * 125 + 3) % 0x2AAAAB;
        t[index] = high | (seed & 0xFFFF);
      }
    }
    return t;
  }();
  return table;
}

std::uint32_t Le32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t Le16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }

bool ReadAt(std::ifstream& in, std::uint64_t offset, void* out, std::size_t size) {
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(static_cast<char*>(out), static_cast<std::streamsize>(size));
  return static_cast<std::size_t>(in.gcount()) == size;
}

// Reads and decrypts `count` 16-byte entries.
std::optional<std::vector<std::uint32_t>> ReadTable(std::ifstream& in, std::uint64_t offset, std::uint32_t count,
                                                    const char* key_name) {
  std::vector<unsigned char> raw(std::size_t(count) * 16);
  if (!ReadAt(in, offset, raw.data(), raw.size())) return std::nullopt;
  std::vector<std::uint32_t> words(std::size_t(count) * 4);
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = Le32(&raw[i * 4]);
  MpqDecrypt(words, MpqHashString(key_name, MpqHashType::kFileKey));
  return words;
}

// Reads `count` 16-byte entries as far as the file holds them; the library
// fills the rest with zeros before decrypting, and so does this.
std::vector<std::uint32_t> ReadCutTable(std::ifstream& in, std::uint64_t file_size, std::uint64_t offset,
                                        std::uint32_t count, const char* key_name) {
  std::vector<unsigned char> raw(std::size_t(count) * 16, 0);
  if (offset < file_size) {
    const std::uint64_t available = std::min<std::uint64_t>(raw.size(), file_size - offset);
    ReadAt(in, offset, raw.data(), static_cast<std::size_t>(available));
  }
  std::vector<std::uint32_t> words(std::size_t(count) * 4);
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = Le32(&raw[i * 4]);
  MpqDecrypt(words, MpqHashString(key_name, MpqHashType::kFileKey));
  return words;
}

// The tables of the header at `at` as the library takes them: any hash table
// size, tables cut short by the end of the file. The caller has bounded both
// sizes.
std::optional<MpqTables> TablesAsTheLibraryReadsThem(std::ifstream& in, std::uint64_t file_size, std::uint64_t at,
                                                     const unsigned char* header) {
  MpqTables tables;
  tables.header_offset = at;
  tables.format_version = Le16(header + 12);
  tables.sector_size_shift = Le16(header + 14);
  tables.block_table_offset = at + Le32(header + 20);
  const std::uint32_t hash_count = Le32(header + 24), block_count = Le32(header + 28);
  const auto hash_words = ReadCutTable(in, file_size, at + Le32(header + 16), hash_count, "(hash table)");
  const auto block_words = ReadCutTable(in, file_size, tables.block_table_offset, block_count, "(block table)");
  for (std::size_t i = 0; i < hash_count; ++i) {
    const std::uint32_t* w = &hash_words[i * 4];
    tables.hashes.push_back({w[0], w[1], std::uint16_t(w[2] & 0xFFFF), std::uint16_t(w[2] >> 16), w[3]});
  }
  for (std::size_t i = 0; i < block_count; ++i) {
    const std::uint32_t* w = &block_words[i * 4];
    tables.blocks.push_back({w[0], w[1], w[2], w[3]});
  }
  return tables;
}

// The library reads a compressed file's sector offset table, and reads it
// again at the length its first entry gives when that is longer (by up to
// 1 KiB) - into a buffer rounded down to whole entries, so a length that is
// no multiple of four is written past that buffer. True when `block`, read
// with `key` (0 when unencrypted), holds such a table that the library would
// otherwise accept.
bool OverrunningSectorTable(std::ifstream& in, std::uint64_t file_size, const MpqTables& tables,
                            const MpqBlockEntry& block, std::uint32_t key) {
  if (!(block.flags & kMpqFileCompressMask) || (block.flags & kMpqFileSingleUnit) || block.file_size == 0) return false;
  const std::uint32_t sector_size = 512u << tables.sector_size_shift;
  const std::uint64_t sectors = (std::uint64_t(block.file_size) - 1) / sector_size + 1;
  std::uint64_t length = (sectors + 1) * 4;
  if (block.flags & kMpqFileSectorCrc) length += 4;
  const std::uint64_t start = tables.header_offset + block.offset;
  if (start + length > file_size) return false;  // the library's read fails
  std::vector<unsigned char> raw(length);
  if (!ReadAt(in, start, raw.data(), raw.size())) return false;
  std::vector<std::uint32_t> offsets(length / 4);
  for (std::size_t i = 0; i < offsets.size(); ++i) offsets[i] = Le32(&raw[i * 4]);
  if (block.flags & kMpqFileEncrypted) MpqDecrypt(offsets, key - 1);
  // Tables the library finds corrupt are refused by it before the second read.
  for (std::size_t i = 0; i < sectors; ++i) {
    if (offsets[i + 1] <= offsets[i] || offsets[i + 1] - offsets[i] > sector_size) return false;
  }
  const std::uint32_t first = offsets[0];
  return first > length && first <= length + 0x400 && first % 4 != 0;
}

// A compressed sector begins with the mask of the methods that packed it. In
// archives of the maps' format the library asserts, ending the program, when
// that mask names LZMA alone, rather than failing the read. True when the file
// in `block`, read with `key` (0 when unencrypted), has such a sector.
bool SectorOnlyLzmaCompressed(std::ifstream& in, std::uint64_t file_size, const MpqTables& tables,
                              const MpqBlockEntry& block, std::uint32_t key) {
  constexpr std::uint8_t kLzmaAlone = 0x12;
  if (!(block.flags & kMpqFileCompress) || block.file_size == 0) return false;
  const std::uint64_t start = tables.header_offset + block.offset;
  if (start >= file_size) return false;
  std::vector<unsigned char> data(
      static_cast<std::size_t>(std::min<std::uint64_t>(block.compressed_size, file_size - start)));
  if (!ReadAt(in, start, data.data(), data.size())) return false;
  const bool encrypted = block.flags & kMpqFileEncrypted;
  // The mask of a packed piece of `length` bytes at `at` that unpacks to
  // `plain` bytes; a piece kept unpacked carries none.
  auto only_lzma = [&](std::uint64_t at, std::uint64_t length, std::uint64_t plain, std::uint32_t piece_key) {
    if (length == 0 || length >= plain || at + length > data.size()) return false;
    std::uint8_t mask = data[at];
    if (encrypted && length >= 4) {
      std::vector<std::uint32_t> word{Le32(&data[at])};
      MpqDecrypt(word, piece_key);
      mask = static_cast<std::uint8_t>(word[0] & 0xFF);
    }
    return mask == kLzmaAlone;
  };
  if (block.flags & kMpqFileSingleUnit) return only_lzma(0, data.size(), block.file_size, key);
  const std::uint32_t sector_size = 512u << tables.sector_size_shift;
  const std::uint64_t sectors = (std::uint64_t(block.file_size) - 1) / sector_size + 1;
  if ((sectors + 1) * 4 > data.size()) return false;
  std::vector<std::uint32_t> offsets(sectors + 1);
  for (std::size_t i = 0; i < offsets.size(); ++i) offsets[i] = Le32(&data[i * 4]);
  if (encrypted) MpqDecrypt(offsets, key - 1);
  for (std::size_t i = 0; i < sectors; ++i) {
    if (offsets[i + 1] <= offsets[i]) return false;  // the library refuses the table itself
    const std::uint64_t plain = std::min<std::uint64_t>(sector_size, block.file_size - i * std::uint64_t(sector_size));
    if (only_lzma(offsets[i], offsets[i + 1] - offsets[i], plain, key + static_cast<std::uint32_t>(i))) return true;
  }
  return false;
}

// The key of a file stored under `name` in `block`.
std::uint32_t FileKey(std::string_view name, const MpqBlockEntry& block) {
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  std::uint32_t key = MpqHashString(name, MpqHashType::kFileKey);
  if (block.flags & kMpqFileFixKey) key = (key + block.offset) ^ block.file_size;
  return key;
}

}  // namespace

std::uint32_t MpqHashString(std::string_view text, MpqHashType type) {
  const auto& table = CryptTable();
  std::uint32_t seed1 = 0x7FED7FED, seed2 = 0xEEEEEEEE;
  for (unsigned char c : text) {
    if (c == '/') c = '\\';
    c = static_cast<unsigned char>(std::toupper(c));
    seed1 = table[(static_cast<std::uint32_t>(type) << 8) + c] ^ (seed1 + seed2);
    seed2 = c + seed1 + seed2 + (seed2 << 5) + 3;
  }
  return seed1;
}

void MpqDecrypt(std::vector<std::uint32_t>& words, std::uint32_t key) {
  const auto& table = CryptTable();
  std::uint32_t seed = 0xEEEEEEEE;
  for (std::uint32_t& word : words) {
    seed += table[0x400 + (key & 0xFF)];
    std::uint32_t plain = word ^ (key + seed);
    key = ((~key << 0x15) + 0x11111111) | (key >> 0x0B);
    seed = plain + seed + (seed << 5) + 3;
    word = plain;
  }
}

void MpqEncrypt(std::vector<std::uint32_t>& words, std::uint32_t key) {
  const auto& table = CryptTable();
  std::uint32_t seed = 0xEEEEEEEE;
  for (std::uint32_t& word : words) {
    seed += table[0x400 + (key & 0xFF)];
    const std::uint32_t plain = word;
    word = plain ^ (key + seed);
    key = ((~key << 0x15) + 0x11111111) | (key >> 0x0B);
    seed = plain + seed + (seed << 5) + 3;
  }
}

std::optional<MpqBlockEntry> MpqTables::Find(std::string_view name) const {
  std::optional<std::size_t> index = FindIndex(name);
  if (!index) return std::nullopt;
  return blocks[*index];
}

std::optional<std::size_t> MpqTables::FindIndex(std::string_view name) const {
  if (hashes.empty()) return std::nullopt;
  const std::size_t mask = hashes.size() - 1;
  const std::uint32_t a = MpqHashString(name, MpqHashType::kNameA);
  const std::uint32_t b = MpqHashString(name, MpqHashType::kNameB);
  std::size_t start = MpqHashString(name, MpqHashType::kTableOffset) & mask;
  for (std::size_t n = 0, i = start; n < hashes.size(); ++n, i = (i + 1) & mask) {
    const MpqHashEntry& e = hashes[i];
    if (e.block_index == 0xFFFFFFFF) break;
    if (e.block_index == 0xFFFFFFFE || e.name_a != a || e.name_b != b) continue;
    if (e.block_index >= blocks.size()) return std::nullopt;
    const MpqBlockEntry& block = blocks[e.block_index];
    if (block.flags & kMpqFileExists) return e.block_index;
  }
  return std::nullopt;
}

std::vector<std::size_t> MpqTables::IndicesOf(std::string_view name) const {
  std::vector<std::size_t> indices;
  const std::uint32_t a = MpqHashString(name, MpqHashType::kNameA);
  const std::uint32_t b = MpqHashString(name, MpqHashType::kNameB);
  for (const MpqHashEntry& e : hashes) {
    if (e.name_a == a && e.name_b == b && e.block_index < blocks.size() &&
        (blocks[e.block_index].flags & kMpqFileExists))
      indices.push_back(e.block_index);
  }
  return indices;
}

std::optional<MpqTables> ReadMpqTables(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::uint64_t file_size = static_cast<std::uint64_t>(in.tellg());

  unsigned char header[44] = {};
  for (std::uint64_t pos = 0; pos + 32 <= file_size; pos += 512) {
    if (!ReadAt(in, pos, header, 32)) return std::nullopt;
    if (header[0] != 'M' || header[1] != 'P' || header[2] != 'Q' || header[3] != 0x1A) continue;
    MpqTables tables;
    tables.header_offset = pos;
    tables.format_version = Le16(header + 12);
    tables.sector_size_shift = Le16(header + 14);
    std::uint64_t hash_pos = Le32(header + 16);
    std::uint64_t block_pos = Le32(header + 20);
    const std::uint32_t hash_count = Le32(header + 24);
    const std::uint32_t block_count = Le32(header + 28);
    if (tables.format_version >= 1 && Le32(header + 4) >= 44 && ReadAt(in, pos, header, 44)) {
      hash_pos |= std::uint64_t(Le16(header + 40)) << 32;
      block_pos |= std::uint64_t(Le16(header + 42)) << 32;
    }
    // A sound hash table has a power-of-two size.
    if (hash_count == 0 || (hash_count & (hash_count - 1)) != 0) return std::nullopt;
    if (pos + hash_pos + std::uint64_t(hash_count) * 16 > file_size ||
        pos + block_pos + std::uint64_t(block_count) * 16 > file_size)
      return std::nullopt;
    tables.block_table_offset = pos + block_pos;
    auto hash_words = ReadTable(in, pos + hash_pos, hash_count, "(hash table)");
    auto block_words = ReadTable(in, pos + block_pos, block_count, "(block table)");
    if (!hash_words || !block_words) return std::nullopt;
    for (std::size_t i = 0; i < hash_count; ++i) {
      const std::uint32_t* w = &(*hash_words)[i * 4];
      tables.hashes.push_back({w[0], w[1], std::uint16_t(w[2] & 0xFFFF), std::uint16_t(w[2] >> 16), w[3]});
    }
    for (std::size_t i = 0; i < block_count; ++i) {
      const std::uint32_t* w = &(*block_words)[i * 4];
      tables.blocks.push_back({w[0], w[1], w[2], w[3]});
    }
    return tables;
  }
  return std::nullopt;
}

std::optional<std::string> ImplausibleMpqTables(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::uint64_t file_size = static_cast<std::uint64_t>(in.tellg());
  // Tables are read as 32-bit format-1 tables (maps never use later formats);
  // a little slack beyond the file keeps protected maps whose tables run past
  // the end, which the library pads with zeros.
  const std::uint64_t slack = 1u << 20;
  // The header the library reads with the game's rules (format 1, user data
  // ignored); a file it would not read that way is no concern here.
  const ArchiveSearch search = SearchArchiveHeader(path);
  if (!search.header_offset || !search.refusal.empty()) return std::nullopt;
  const std::uint64_t at = *search.header_offset;
  unsigned char header[32] = {};
  if (at + 32 > file_size || !ReadAt(in, at, header, 32)) return std::nullopt;
  // The library shifts 512 by the exponent in 32 bits in some places and not
  // in others; past 16 (32 MiB sectors) no real map goes.
  const std::uint16_t shift = Le16(header + 14);
  if (shift > kMaxSectorSizeShift) { return "its sector size exponent " + std::to_string(shift) + " is out of range"; }
  const std::uint64_t room = file_size - at + slack;
  const std::uint64_t hash_bytes = std::uint64_t(Le32(header + 24)) * 16;
  const std::uint64_t block_bytes = std::uint64_t(Le32(header + 28)) * 16;
  if (hash_bytes > room || block_bytes > room) {
    return "its archive tables claim " + std::to_string(hash_bytes) + " and " + std::to_string(block_bytes) +
           " bytes in a file of " + std::to_string(file_size);
  }
  // The library reads a file's sector table wherever its block says, and
  // treats patch files differently again: a map holds no such blocks.
  std::optional<MpqTables> tables = TablesAsTheLibraryReadsThem(in, file_size, at, header);
  for (const MpqBlockEntry& block : tables->blocks) {
    if (!(block.flags & kMpqFileExists)) continue;
    if (at + block.offset + block.compressed_size > file_size) return std::string("a file's data lies past its end");
    if (block.flags & kMpqFilePatch) return std::string("it holds patch files");
  }
  // Unencrypted tables can be read as they are; encrypted ones only for the
  // files whose names give their keys: those the library reads on opening
  // the map and the script.
  const std::string overrun = "a file's sector offset table overruns the library's buffer";
  for (const MpqBlockEntry& block : tables->blocks) {
    if ((block.flags & kMpqFileExists) && !(block.flags & kMpqFileEncrypted) &&
        OverrunningSectorTable(in, file_size, *tables, block, 0))
      return overrun;
  }
  for (const char* name : {"war3map.j", "(listfile)", "(attributes)"}) {
    for (std::size_t index : tables->IndicesOf(name)) {
      const MpqBlockEntry& block = tables->blocks[index];
      const std::uint32_t key = (block.flags & kMpqFileEncrypted) ? FileKey(name, block) : 0;
      if (key && OverrunningSectorTable(in, file_size, *tables, block, key)) return overrun;
      if (SectorOnlyLzmaCompressed(in, file_size, *tables, block, key))
        return "a sector of " + std::string(name) + " names a compression the library cannot unpack here";
    }
  }
  return std::nullopt;
}

std::optional<std::uint8_t> FirstSectorCompression(const std::string& path, const MpqTables& tables,
                                                   const MpqBlockEntry& block) {
  if (!(block.flags & kMpqFileCompress) || (block.flags & (kMpqFileEncrypted | kMpqFileSingleUnit)) ||
      block.file_size == 0)
    return std::nullopt;
  std::ifstream in(NativePath(path), std::ios::binary);
  unsigned char offsets[8];
  const std::uint64_t start = tables.header_offset + block.offset;
  if (!ReadAt(in, start, offsets, sizeof offsets)) return std::nullopt;
  const std::uint32_t first = Le32(offsets), second = Le32(offsets + 4);
  const std::uint32_t sector_size = 512u << tables.sector_size_shift;
  const std::uint32_t plain_size = block.file_size < sector_size ? block.file_size : sector_size;
  if (second <= first) return std::nullopt;
  // A sector kept only when compression would not shrink it carries no mask.
  if (second - first >= plain_size) return std::uint8_t{0};
  unsigned char mask = 0;
  if (!ReadAt(in, start + first, &mask, 1)) return std::nullopt;
  return mask;
}

}  // namespace zarn
