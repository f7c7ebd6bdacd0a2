#include "map/map_info.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/opened_files.h"
#include "platform/paths.h"

namespace zarn {

namespace {

std::uint32_t Int32At(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

// The formats the editor has written: 18 (the first game), 25 (the
// expansion) and, since the game version is kept, 28 and later ones.
constexpr std::uint32_t kFirstGameVersionFormat = 28, kLastPlausibleFormat = 99;

}  // namespace

std::string MapVersion::GameVersion() const {
  if (kind != Kind::kGame) return "";
  return std::to_string(game[0]) + "." + std::to_string(game[1]) + "." + std::to_string(game[2]);
}

MapVersion ReadMapVersion(std::string_view header) {
  MapVersion version;
  if (header.size() < 12) return version;
  version.format = Int32At(header, 0);
  version.editor = Int32At(header, 8);
  if (version.format == 18 || version.format == 25) {
    version.kind = MapVersion::Kind::kEditor;
  } else if (version.format >= kFirstGameVersionFormat && version.format <= kLastPlausibleFormat &&
             header.size() >= kMapInfoHeaderSize) {
    for (std::size_t i = 0; i < 4; ++i) version.game[i] = Int32At(header, 12 + 4 * i);
    // A game version is 1.x or 2.x with numbers below 100.
    const bool plausible =
        version.game[0] >= 1 && version.game[0] <= 9 && version.game[1] < 100 && version.game[2] < 100;
    if (plausible) version.kind = MapVersion::Kind::kGame;
  }
  return version;
}

std::string ReadFolderMapInfoHeader(const std::string& folder) {
  // One handle, opened without following a link as the file's last part and
  // without waiting on anything, is judged and then read; a link, which may
  // lead out of the map, and anything but a regular file are not read.
  OpenFailure failure = OpenFailure::kNone;
  std::string reason;
  OpenedFile dir, file;
  if (!dir.Open(folder, LinkRule::kFollow, failure, reason) || dir.kind() != FileKind::kFolder) return "";
  if (!file.OpenIn(dir, kMapInfoName, LinkRule::kRefuseLast, failure, reason) || file.kind() != FileKind::kRegular)
    return "";
  std::string header;
  try {
    file.ReadUpTo(kMapInfoHeaderSize, header, PathJoin(folder, kMapInfoName));
  } catch (const FileError&) { return ""; }
  return header;
}

}  // namespace zarn
