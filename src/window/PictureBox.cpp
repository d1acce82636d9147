#include "window/PictureBox.h"

#include <algorithm>
#include <cstdint>


MouseButton PressedButton(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN: return MouseButton::Left;
    case WM_RBUTTONDOWN: return MouseButton::Right;
    case WM_MBUTTONDOWN: return MouseButton::Middle;
    default: return MouseButton::None;
  }
}

namespace {

// A picture's pixels: top row first, three bytes (blue, green, red) a pixel, rows padded to whole
// DWORDs. Three bytes rather than four: writing the fresh pages of the skin for the first time takes
// longer than unpacking it, so the fewer the better.
struct Pixels {
  BYTE* bits;
  int width, height;
  size_t stride;

  BYTE* Row(int y) const { return bits + static_cast<size_t>(y) * stride; }
  static DWORD Get(const BYTE* p) { return p[0] | DWORD{p[1]} << 8 | DWORD{p[2]} << 16; }
  static void Put(BYTE* p, DWORD colour) {
    p[0] = static_cast<BYTE>(colour);
    p[1] = static_cast<BYTE>(colour >> 8);
    p[2] = static_cast<BYTE>(colour >> 16);
  }
};

// Noise of the pixels of one row of the metal: -255..255, most often near 0. Each hash gives two
// pixels' worth, so going along the row it is worked out once a pair.
class MetalNoise {
 public:
  explicit MetalNoise(int y) : y_(static_cast<uint32_t>(y)) {}
  int operator()(int x) {
    const auto pair = static_cast<uint32_t>(x) >> 1;
    if (pair != pair_) {
      uint32_t h = y_ * 0x9E3779B1u + pair * 0x85EBCA77u + 0x27D4EB2Fu;
      h ^= h >> 16;
      h *= 0x7FEB352Du;
      h ^= h >> 15;
      h *= 0x846CA68Bu;
      h ^= h >> 16;
      pair_ = pair;
      hash_ = h;
    }
    const uint32_t h = x & 1 ? hash_ >> 16 : hash_;
    return static_cast<int>(h & 255) + static_cast<int>((h >> 8) & 255) - 255;
  }

 private:
  uint32_t y_, pair_ = 0xFFFFFFFF, hash_ = 0;
};

// Paints the pixels of a skin that have the colour mark with the brushed metal: a vertical gradient,
// each row's noise smeared to the right over kSmear pixels (weights falling kSmear..1, the row's last
// pixel repeated beyond its end), strongest in the middle greys. tools/pictures.py draws the same,
// integer for integer, for the pictures shown over the skin: change both or neither.
void PaintMetal(const Pixels& picture, DWORD mark) {
  constexpr int kTop[3] = {0xD3, 0xD7, 0xDB}, kBottom[3] = {0x8E, 0x93, 0x98};  // red, green, blue
  constexpr int kSmear = 48;
  const int width = picture.width, span = std::max(picture.height - 1, 1);
  int ahead[64];  // noise of the kSmear pixels right of x, by x % 64
  for (int y = 0; y < picture.height; ++y) {
    BYTE* row = picture.Row(y);
    int base[3];
    for (int c = 0; c < 3; ++c) base[c] = kTop[c] - ((kTop[c] - kBottom[c]) * y * 2 + span) / (2 * span);
    const int strength = base[1] * (255 - base[1]) / 33;
    MetalNoise noise(y);
    const int last = noise(width - 1);
    const auto marked = [&](int x) {
      const BYTE* p = row + 3 * x;
      return p[0] == static_cast<BYTE>(mark) && p[1] == static_cast<BYTE>(mark >> 8) &&
             p[2] == static_cast<BYTE>(mark >> 16);
    };
    // Each stretch of marked pixels, right to left: the sums at its right end, then going left,
    // sum = the kSmear values from x on, smeared = the same weighted kSmear..1.
    for (int x = width - 1; x >= 0; --x) {
      if (!marked(x)) continue;
      int sum = 0, smeared = 0;
      for (int k = kSmear - 1; k >= 0; --k) {
        const int g = x + k < width - 1 ? noise(x + k) : last;
        if (x + k < width) ahead[(x + k) & 63] = g;
        sum += g;
        smeared += (kSmear - k) * g;
      }
      for (const int right = x; x >= 0 && marked(x); --x) {
        if (x < right) {
          const int g = noise(x);
          smeared += kSmear * g - sum;
          sum += g - (x + kSmear < width ? ahead[(x + kSmear) & 63] : last);
          ahead[x & 63] = g;
        }
        const int d = std::clamp((smeared * strength) >> 21, -60, 50);
        DWORD colour = 0;
        for (int c = 0; c < 3; ++c) colour = colour << 8 | static_cast<DWORD>(std::clamp(base[c] - 1 + d, 0, 255));
        Pixels::Put(row + 3 * x, colour);
      }
    }
  }
}

// Unpacks a picture packed by tools/pictures.py (its layout is described there; data starts at its
// codes). False when the codes leave the picture or end before it is whole.
bool Unpack(const BYTE* data, size_t size, const DWORD (&colours)[256], const Pixels& picture) {
  const int width = picture.width;
  size_t at = 0;
  int x = 0, y = 0;
  DWORD before = colours[0];
  while (y < picture.height) {
    if (at >= size) return false;
    const BYTE code = data[at++];
    int count = (code & 63) + 1;
    if (code >= 0x40 && count == 64) {
      if (at >= size) return false;
      count += data[at++];
    }
    if (code >= 0xC0 || (code >= 0x80 && y == 0) || (code < 0x40 && static_cast<size_t>(count) > size - at)) {
      return false;
    }
    // Row by row: count pixels of the colours that follow, like the one before, or like those above.
    while (count > 0) {
      if (y == picture.height) return false;
      const int n = std::min(count, width - x);
      BYTE* to = picture.Row(y) + 3 * x;
      if (code < 0x40) {
        for (int i = 0; i < n; ++i, to += 3) Pixels::Put(to, before = colours[data[at++]]);
      } else if (code < 0x80) {
        for (int i = 0; i < n; ++i, to += 3) Pixels::Put(to, before);
      } else {
        std::copy_n(to - picture.stride, 3 * n, to);
        before = Pixels::Get(to + 3 * (n - 1));
      }
      count -= n;
      x += n;
      if (x == width) {
        x = 0;
        ++y;
      }
    }
  }
  return true;
}

}  // namespace

HBITMAP LoadPicture(int resource) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resource), MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  const size_t size = found ? SizeofResource(module, found) : 0;
  // Width, height, flags (1: colour 0 marks the metal), the number of colours less one, the colours.
  if (!data || size < 6) return nullptr;
  const int width = data[0] | data[1] << 8, height = data[2] | data[3] << 8;
  const bool metal = (data[4] & 1) != 0;
  const size_t colourCount = size_t{data[5]} + 1, start = 6 + 3 * colourCount;
  if (!width || !height || size < start) return nullptr;
  DWORD colours[256] = {};
  for (size_t i = 0; i < colourCount; ++i) colours[i] = Pixels::Get(data + 6 + 3 * i);

  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof info.bmiHeader, width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  const Pixels picture{static_cast<BYTE*>(bits), width, height, (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}};
  if (!Unpack(data + start, size - start, colours, picture)) {
    DeleteObject(bitmap);
    return nullptr;
  }
  if (metal) PaintMetal(picture, colours[0]);
  return bitmap;
}

PictureBox::PictureBox(HWND parent, int id, RECT place, bool visible)
    : parent_(parent), id_(id), place_(place), visible_(visible) {}

PictureBox::~PictureBox() {
  if (loaded_) DeleteObject(loaded_);
}

HBITMAP PictureBox::Picture() const {
  if (!picture_ && resource_ && !loaded_) {
    loaded_ = LoadPicture(resource_);
    picture_ = loaded_;
  }
  return picture_;
}

void PictureBox::Invalidate() const {
  if (window_)
    InvalidateRect(window_, nullptr, FALSE);
  else if (visible_)
    InvalidateRect(parent_, &place_, FALSE);
}

void PictureBox::SetPictureResource(int resource) {
  resource_ = resource;
  Invalidate();
}

void PictureBox::SetPicture(HBITMAP picture) {
  if (picture == picture_) return;
  picture_ = picture;
  Invalidate();
}

void PictureBox::Paint(HDC dc, HDC mem) const {
  if (!visible_ || window_ || !Picture()) return;  // without a picture the skin below already shows
  HGDIOBJ old = SelectObject(mem, picture_);
  BitBlt(dc, place_.left, place_.top, place_.right - place_.left, place_.bottom - place_.top, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
}
