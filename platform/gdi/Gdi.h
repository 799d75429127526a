// A small GDI-shaped font rasteriser over FreeType: enough of CreateFont,
// GetTextMetrics, the outline font box, kerning pairs, text extents, a
// 32-bit memory bitmap, TextOut and GetDIBits for the engine to build glyph
// pages from installed fonts.
//
// Faces are looked up among the fonts of the system's DejaVu package
// (fonts-dejavu-core): "DejaVu Sans" and every face that is not installed
// resolve to DejaVu Sans (as GDI substitutes an installed face), weight 700
// and above to its bold cut. A face given as a path to a font file is
// opened as it is. Heights follow GDI: a negative height is the character
// height (em size) in pixels, a positive one the cell height.
//
// Ownership: CreateFont and CreateBitmap hand out objects the caller frees
// with DeleteFont and DeleteBitmap.
// Threads: any thread; FreeType calls are serialised inside.
#pragma once

#include <cstdint>
#include <vector>

namespace plat::gdi
{
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr int RUSSIAN_CHARSET = 204;
constexpr int kLogPixelsY = 96;

// The fields of TEXTMETRICA, in its order.
struct TextMetrics
{
    std::int32_t tmHeight, tmAscent, tmDescent, tmInternalLeading, tmExternalLeading;
    std::int32_t tmAveCharWidth, tmMaxCharWidth, tmWeight, tmOverhang;
    std::int32_t tmDigitizedAspectX, tmDigitizedAspectY;
    std::uint8_t tmFirstChar, tmLastChar, tmDefaultChar, tmBreakChar;
    std::uint8_t tmItalic, tmUnderlined, tmStruckOut, tmPitchAndFamily, tmCharSet;
};

struct KerningPair
{
    std::uint16_t first;
    std::uint16_t second;
    std::int32_t amount;
};

class Font;

// A 32-bit memory bitmap (0x00RRGGBB), rows stored top-down.
struct Bitmap
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Null (nothing to free) when no font file can be opened.
Font* CreateFont(int height, int weight, int charSet, const char* face);
void DeleteFont(Font* font);
// MulDiv(points, kLogPixelsY, 72) as GDI rounds it.
int PointsToPixels(int points);
bool GetTextMetrics(Font* font, TextMetrics* out);
// The left edge of the font box in pixels (at most 0): the smallest left
// side bearing among the characters of the font's character set (code page
// 1251 for RUSSIAN_CHARSET, 1252 otherwise).
int GetFontBoxLeft(Font* font);
// Kerning pairs between code page 1251 characters; at most max written.
int GetKerningPairs(Font* font, int max, KerningPair* out);
// The advance of the text in pixels (cx) and the cell height (cy).
bool GetTextExtentPoint32W(Font* font, const wchar_t* text, int length, int* cx, int* cy);

Bitmap* CreateBitmap(int width, int height);
void DeleteBitmap(Bitmap* bitmap);
void FillRect(Bitmap* bitmap, int left, int top, int right, int bottom, std::uint32_t colour);
// Draws the text with its cell's top-left corner at (x, y) in the colour,
// background transparent: coverage blends towards the colour.
bool TextOutW(Bitmap* bitmap, Font* font, int x, int y, const wchar_t* text, int length,
              std::uint32_t colour);
// Rows first..first+count-1 counted from the bottom, as a bottom-up DIB;
// the number of rows copied.
int GetDIBits(const Bitmap* bitmap, int first, int count, std::uint32_t* out);
} // namespace plat::gdi
