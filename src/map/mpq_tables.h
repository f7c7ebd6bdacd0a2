// A small reader of an MPQ archive's header, hash table and block table that
// does not go through the archive library: it lets tests and diagnostics see
// what is really stored on disk.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Block flags as stored in the block table.
constexpr std::uint32_t kMpqFileImplode = 0x00000100;
constexpr std::uint32_t kMpqFileCompress = 0x00000200;
constexpr std::uint32_t kMpqFileCompressMask = 0x0000FF00;  // any compression
constexpr std::uint32_t kMpqFileEncrypted = 0x00010000;
constexpr std::uint32_t kMpqFileFixKey = 0x00020000;
constexpr std::uint32_t kMpqFilePatch = 0x00100000;
constexpr std::uint32_t kMpqFileSingleUnit = 0x01000000;
constexpr std::uint32_t kMpqFileSectorCrc = 0x04000000;
constexpr std::uint32_t kMpqFileExists = 0x80000000;

// Hash types of the MPQ name hash.
enum class MpqHashType : std::uint32_t { kTableOffset = 0, kNameA = 1, kNameB = 2, kFileKey = 3 };

// The MPQ string hash (case-insensitive, '/' equals '\').
std::uint32_t MpqHashString(std::string_view text, MpqHashType type);
// Decrypts little-endian 32-bit words in place.
void MpqDecrypt(std::vector<std::uint32_t>& words, std::uint32_t key);
// Encrypts little-endian 32-bit words in place (the inverse of MpqDecrypt).
void MpqEncrypt(std::vector<std::uint32_t>& words, std::uint32_t key);

struct MpqHashEntry {
  std::uint32_t name_a = 0;
  std::uint32_t name_b = 0;
  std::uint16_t locale = 0;
  std::uint16_t platform = 0;
  std::uint32_t block_index = 0;  // 0xFFFFFFFF free, 0xFFFFFFFE deleted
};

struct MpqBlockEntry {
  std::uint32_t offset = 0;  // from the start of the MPQ header
  std::uint32_t compressed_size = 0;
  std::uint32_t file_size = 0;
  std::uint32_t flags = 0;
};

struct MpqTables {
  std::uint64_t header_offset = 0;  // position of "MPQ\x1A" in the file
  std::uint16_t format_version = 0;
  std::uint16_t sector_size_shift = 0;
  std::uint64_t block_table_offset = 0;  // position in the file
  std::vector<MpqHashEntry> hashes;
  std::vector<MpqBlockEntry> blocks;

  // The block (or its index) of a file by name, any locale; nullopt when absent.
  std::optional<std::size_t> FindIndex(std::string_view name) const;
  std::optional<MpqBlockEntry> Find(std::string_view name) const;
  // Every existing block a hash entry of `name` points to, any locale, in
  // hash table order (the library may pick any of them).
  std::vector<std::size_t> IndicesOf(std::string_view name) const;
};

// Reads the tables of the first MPQ header found at a multiple of 512 bytes;
// nullopt when the file cannot be read or holds no sound MPQ tables.
std::optional<MpqTables> ReadMpqTables(const std::string& path);

// Largest block-size exponent of a map the archive library is given.
constexpr std::uint16_t kMaxSectorSizeShift = 16;

// Why the archive library must not be given this file: the first MPQ header
// (or user-data block pointing to one) declares a hash or block table bigger
// than the file could ever hold, which would make the library set aside that
// much memory before finding out, or a sector size exponent the library does
// not handle consistently, or blocks whose data lies past the end of the file
// or that are patch files, which the library reads past its buffers, or a
// compressed file whose sector offset table names a length the library
// rereads past the buffer it sets aside. The tables are taken as the library
// takes them (any hash table size, cut short by the end of the file), not as
// ReadMpqTables requires them. nullopt when the tables are
// plausible or no header is found (the library then refuses the file on its
// own).
std::optional<std::string> ImplausibleMpqTables(const std::string& path);

// The compression mask byte of a compressed, unencrypted multi-sector file's
// first sector (0x02 means zlib/deflate); nullopt when it cannot be told.
std::optional<std::uint8_t> FirstSectorCompression(const std::string& path, const MpqTables& tables,
                                                   const MpqBlockEntry& block);

}  // namespace zarn
