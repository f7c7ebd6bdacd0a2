#include "win32/program_picture.h"

#include <array>

#include "desktop/program_picture_shapes.h"

namespace zarn::win32 {

namespace {

// GDI draws without anti-aliasing and without alpha: the picture is drawn at
// four times the size, once in colour and once as a white silhouette, and
// each final pixel averages its 4 by 4 block.
constexpr int kScale = 4;
constexpr int kLarge = kPictureSize * kScale;

POINT At(double x, double y) { return {static_cast<LONG>(x * kScale), static_cast<LONG>(y * kScale)}; }

template <std::size_t N>
void Fill(HDC context, const std::array<POINT, N>& points, COLORREF fill, COLORREF line, int pen_width) {
  HPEN pen = CreatePen(PS_SOLID, pen_width, line);
  HBRUSH brush = CreateSolidBrush(fill);
  HGDIOBJ old_pen = SelectObject(context, pen), old_brush = SelectObject(context, brush);
  Polygon(context, points.data(), static_cast<int>(N));
  SelectObject(context, old_pen);
  SelectObject(context, old_brush);
  DeleteObject(pen);
  DeleteObject(brush);
}

template <std::size_t N>
std::array<POINT, N> ToPoints(const std::array<picture::Point, N>& shape) {
  std::array<POINT, N> points;
  for (std::size_t i = 0; i < N; ++i) points[i] = At(shape[i].x, shape[i].y);
  return points;
}

// Pen widths in picture pixels, at the large size.
int PenWidth(double width) { return static_cast<int>(width * kScale); }

void DrawPage(HDC context, bool silhouette) {
  const COLORREF white = RGB(255, 255, 255);
  Fill(context, ToPoints(picture::kPage), silhouette ? white : RGB(235, 238, 240), silhouette ? white : RGB(60, 70, 90),
       PenWidth(picture::kPageOutline));
  if (silhouette) return;
  Fill(context, ToPoints(picture::kFold), RGB(170, 185, 205), RGB(60, 70, 90), PenWidth(picture::kPageOutline));
  HPEN pen = CreatePen(PS_SOLID, PenWidth(picture::kLineWidth), RGB(150, 160, 180));
  HGDIOBJ old = SelectObject(context, pen);
  for (int y = picture::kFirstLine; y <= picture::kLastLine; y += picture::kLineGap) {
    POINT from = At(picture::kLineLeft, y), to = At(picture::kLineRight, y);
    MoveToEx(context, from.x, from.y, nullptr);
    LineTo(context, to.x, to.y);
  }
  SelectObject(context, old);
  DeleteObject(pen);
  Fill(context, ToPoints(picture::kLetter), RGB(205, 65, 25), RGB(90, 20, 10), PenWidth(picture::kLetterOutline));
}

// Draws into a large 32-bit DIB and returns its pixels (0x00RRGGBB).
std::vector<std::uint32_t> DrawLarge(bool silhouette) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kLarge;
  info.bmiHeader.biHeight = -kLarge;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC context = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(context, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<std::uint32_t> pixels(kLarge * kLarge, 0);
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(context, bitmap);
    PatBlt(context, 0, 0, kLarge, kLarge, BLACKNESS);
    DrawPage(context, silhouette);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    pixels.assign(source, source + pixels.size());
    SelectObject(context, old);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(context);
  return pixels;
}

}  // namespace

std::vector<std::uint32_t> ProgramPicturePixels() {
  const std::vector<std::uint32_t> colour = DrawLarge(false), mask = DrawLarge(true);
  std::vector<std::uint32_t> picture(kPictureSize * kPictureSize, 0);
  for (int y = 0; y < kPictureSize; ++y) {
    for (int x = 0; x < kPictureSize; ++x) {
      unsigned sum[4] = {0, 0, 0, 0};  // blue, green, red, coverage
      for (int dy = 0; dy < kScale; ++dy) {
        for (int dx = 0; dx < kScale; ++dx) {
          const std::size_t at = static_cast<std::size_t>((y * kScale + dy) * kLarge + x * kScale + dx);
          if ((mask[at] & 0xff) == 0) continue;  // outside the page: transparent
          for (int c = 0; c < 3; ++c) sum[c] += (colour[at] >> (8 * c)) & 0xff;
          sum[3] += 255;
        }
      }
      // Straight alpha, as icons want it: the colour of the covered samples,
      // the share of covered samples as opacity.
      const unsigned covered = sum[3] / 255;
      if (covered == 0) continue;
      constexpr unsigned kSamples = kScale * kScale;
      picture[static_cast<std::size_t>(y * kPictureSize + x)] =
          (sum[3] / kSamples) << 24 | (sum[2] / covered) << 16 | (sum[1] / covered) << 8 | sum[0] / covered;
    }
  }
  return picture;
}

HICON ProgramPictureIcon() {
  const std::vector<std::uint32_t> pixels = ProgramPicturePixels();
  HBITMAP colour = CreateBitmap(kPictureSize, kPictureSize, 1, 32, pixels.data());
  HBITMAP mask = CreateBitmap(kPictureSize, kPictureSize, 1, 1, nullptr);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  return icon;
}

namespace {

void Put(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

}  // namespace

std::vector<unsigned char> ProgramPictureIcoFile() {
  const std::vector<std::uint32_t> pixels = ProgramPicturePixels();
  constexpr std::uint32_t kMaskRowBytes = (kPictureSize + 31) / 32 * 4;
  constexpr std::uint32_t kImageBytes = 40 + kPictureSize * kPictureSize * 4 + kMaskRowBytes * kPictureSize;
  std::vector<unsigned char> file;
  Put(file, 0, 2);  // ICONDIR: reserved, type 1 (icon), one image
  Put(file, 1, 2);
  Put(file, 1, 2);
  Put(file, kPictureSize, 1);  // ICONDIRENTRY
  Put(file, kPictureSize, 1);
  Put(file, 0, 2);   // no palette, reserved
  Put(file, 1, 2);   // planes
  Put(file, 32, 2);  // bits per pixel
  Put(file, kImageBytes, 4);
  Put(file, 6 + 16, 4);  // the image follows the one entry
  Put(file, 40, 4);      // BITMAPINFOHEADER; height counts the mask too
  Put(file, kPictureSize, 4);
  Put(file, 2 * kPictureSize, 4);
  Put(file, 1, 2);
  Put(file, 32, 2);
  for (int i = 0; i < 6; ++i) Put(file, 0, 4);  // BI_RGB, sizes and colours unset
  for (int y = kPictureSize - 1; y >= 0; --y)   // bottom row first
    for (int x = 0; x < kPictureSize; ++x) Put(file, pixels[static_cast<std::size_t>(y * kPictureSize + x)], 4);
  file.insert(file.end(), kMaskRowBytes * kPictureSize, 0);  // the alpha decides; the mask shows all
  return file;
}

}  // namespace zarn::win32
