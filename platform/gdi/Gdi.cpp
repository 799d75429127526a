// The GDI-shaped rasteriser on FreeType.
#include "platform/gdi/Gdi.h"

#include "platform/CodePage.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>

namespace plat::gdi
{
namespace
{
std::mutex g_FreeTypeLock;
FT_Library g_Library = nullptr;

constexpr const char* kFontDir = "/usr/share/fonts/truetype/dejavu/";

FT_Library Library()
{
    if (!g_Library && FT_Init_FreeType(&g_Library) != 0) g_Library = nullptr;
    return g_Library;
}

std::string ResolveFace(const char* face, int weight)
{
    const bool bold = weight >= FW_BOLD;
    if (face && std::strchr(face, '/')) return face;
    std::string name = face ? face : "";
    std::string file = "DejaVuSans";
    if (name == "DejaVu Sans Mono")
        file = "DejaVuSansMono";
    else if (name == "DejaVu Serif")
        file = "DejaVuSerif";
    return std::string(kFontDir) + file + (bold ? "-Bold" : "") + ".ttf";
}

int Ceil26(FT_Pos v)
{
    return static_cast<int>((v + 63) >> 6);
}
} // namespace

class Font
{
public:
    FT_Face face = nullptr;
    int weight = FW_NORMAL;
    int charSet = 0;
    TextMetrics metrics{};
    int boxLeft = 0;
};

int PointsToPixels(int points)
{
    return static_cast<int>(std::lround(points * static_cast<double>(kLogPixelsY) / 72.0));
}

Font* CreateFont(int height, int weight, int charSet, const char* face)
{
    std::lock_guard<std::mutex> lock(g_FreeTypeLock);
    FT_Library lib = Library();
    if (!lib) return nullptr;
    FT_Face ft = nullptr;
    if (FT_New_Face(lib, ResolveFace(face, weight).c_str(), 0, &ft) != 0) return nullptr;
    const int em = ft->units_per_EM ? ft->units_per_EM : 2048;
    const int ascU = ft->ascender, descU = -ft->descender;
    // GDI: a negative height is the em size; a positive one the cell
    // height (ascent + descent) that the em is scaled to fit.
    int pixelEm = height < 0 ? -height : height;
    if (height > 0 && ascU + descU > 0) pixelEm = std::max(1, height * em / (ascU + descU));
    if (pixelEm == 0) pixelEm = 16;
    if (FT_Set_Pixel_Sizes(ft, 0, static_cast<FT_UInt>(pixelEm)) != 0)
    {
        FT_Done_Face(ft);
        return nullptr;
    }
    Font* font = new Font;
    font->face = ft;
    font->weight = weight;
    font->charSet = charSet;
    TextMetrics& m = font->metrics;
    const FT_Size_Metrics& sm = ft->size->metrics;
    m.tmAscent = Ceil26(sm.ascender);
    m.tmDescent = Ceil26(-sm.descender);
    m.tmHeight = m.tmAscent + m.tmDescent;
    m.tmInternalLeading = std::max(0, m.tmHeight - pixelEm);
    m.tmExternalLeading = std::max(0, Ceil26(sm.height) - m.tmHeight);
    m.tmMaxCharWidth = Ceil26(sm.max_advance);
    if (FT_Load_Char(ft, 'x', FT_LOAD_DEFAULT) == 0) m.tmAveCharWidth = Ceil26(ft->glyph->advance.x);
    m.tmWeight = weight;
    m.tmDigitizedAspectX = m.tmDigitizedAspectY = kLogPixelsY;
    m.tmFirstChar = 0x20;
    m.tmLastChar = 0xFF;
    m.tmDefaultChar = 0x1F;
    m.tmBreakChar = 0x20;
    m.tmPitchAndFamily = 0x06; // variable pitch, TrueType
    m.tmCharSet = static_cast<std::uint8_t>(charSet);
    // The font box's left edge over the characters of the font's character
    // set, not over the whole face: a GDI font made for a charset covers its
    // code page, while a large Unicode face such as DejaVu reaches far left
    // only with combining marks (U+0300..., U+0488) that no 8-bit code page
    // holds. Taking the whole face's box made glyph pages reserve some 23
    // pixels per glyph at 16 points bold and run off the bottom.
    font->boxLeft = 0;
    const std::uint32_t codePage = charSet == RUSSIAN_CHARSET ? CP_1251 : CP_1252;
    for (int c = 0x20; c <= 0xFF; ++c)
    {
        const char byte = static_cast<char>(c);
        wchar_t w = 0;
        if (MultiByteToWideChar(codePage, &byte, 1, &w, 1) != 1) continue;
        if (FT_Load_Char(ft, static_cast<FT_ULong>(w), FT_LOAD_DEFAULT) != 0) continue;
        const FT_Pos bearing = ft->glyph->metrics.horiBearingX;
        const int left = static_cast<int>(bearing >= 0 ? bearing >> 6 : -((-bearing + 63) >> 6));
        font->boxLeft = std::min(font->boxLeft, left);
    }
    return font;
}

void DeleteFont(Font* font)
{
    if (!font) return;
    std::lock_guard<std::mutex> lock(g_FreeTypeLock);
    FT_Done_Face(font->face);
    delete font;
}

bool GetTextMetrics(Font* font, TextMetrics* out)
{
    if (!font || !out) return false;
    *out = font->metrics;
    return true;
}

int GetFontBoxLeft(Font* font)
{
    return font ? font->boxLeft : 0;
}

int GetKerningPairs(Font* font, int max, KerningPair* out)
{
    if (!font || !FT_HAS_KERNING(font->face)) return 0;
    std::lock_guard<std::mutex> lock(g_FreeTypeLock);
    int n = 0;
    for (int a = 0x20; a <= 0xFF && n < max; ++a)
    {
        const char ca = static_cast<char>(a);
        wchar_t wa = 0;
        if (MultiByteToWideChar(CP_1251, &ca, 1, &wa, 1) != 1) continue;
        const FT_UInt ga = FT_Get_Char_Index(font->face, static_cast<FT_ULong>(wa));
        if (!ga) continue;
        for (int b = 0x20; b <= 0xFF && n < max; ++b)
        {
            const char cb = static_cast<char>(b);
            wchar_t wb = 0;
            if (MultiByteToWideChar(CP_1251, &cb, 1, &wb, 1) != 1) continue;
            const FT_UInt gb = FT_Get_Char_Index(font->face, static_cast<FT_ULong>(wb));
            FT_Vector k{};
            if (!gb || FT_Get_Kerning(font->face, ga, gb, FT_KERNING_DEFAULT, &k) != 0 || k.x == 0) continue;
            if (out)
                out[n] = KerningPair{static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b),
                                     static_cast<std::int32_t>(std::lround(k.x / 64.0))};
            ++n;
        }
    }
    return n;
}

bool GetTextExtentPoint32W(Font* font, const wchar_t* text, int length, int* cx, int* cy)
{
    if (!font || !text || length < 0) return false;
    std::lock_guard<std::mutex> lock(g_FreeTypeLock);
    int width = 0;
    for (int i = 0; i < length; ++i)
        if (FT_Load_Char(font->face, static_cast<FT_ULong>(text[i]), FT_LOAD_DEFAULT) == 0)
            width += Ceil26(font->face->glyph->advance.x);
    if (cx) *cx = width;
    if (cy) *cy = font->metrics.tmHeight;
    return true;
}

Bitmap* CreateBitmap(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
    Bitmap* b = new Bitmap;
    b->width = width;
    b->height = height;
    b->pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return b;
}

void DeleteBitmap(Bitmap* bitmap)
{
    delete bitmap;
}

void FillRect(Bitmap* b, int left, int top, int right, int bottom, std::uint32_t colour)
{
    if (!b) return;
    left = std::max(left, 0), top = std::max(top, 0);
    right = std::min(right, b->width), bottom = std::min(bottom, b->height);
    for (int y = top; y < bottom; ++y)
        std::fill_n(b->pixels.begin() + static_cast<std::ptrdiff_t>(y) * b->width + left,
                    std::max(0, right - left), colour);
}

bool TextOutW(Bitmap* b, Font* font, int x, int y, const wchar_t* text, int length, std::uint32_t colour)
{
    if (!b || !font || !text) return false;
    std::lock_guard<std::mutex> lock(g_FreeTypeLock);
    int pen = x;
    const int baseline = y + font->metrics.tmAscent;
    for (int i = 0; i < length; ++i)
    {
        if (FT_Load_Char(font->face, static_cast<FT_ULong>(text[i]), FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot g = font->face->glyph;
        const FT_Bitmap& src = g->bitmap;
        for (unsigned row = 0; row < src.rows; ++row)
        {
            const int py = baseline - g->bitmap_top + static_cast<int>(row);
            if (py < 0 || py >= b->height) continue;
            for (unsigned col = 0; col < src.width; ++col)
            {
                const int px = pen + g->bitmap_left + static_cast<int>(col);
                if (px < 0 || px >= b->width) continue;
                const unsigned cover = src.buffer[row * static_cast<unsigned>(src.pitch) + col];
                if (!cover) continue;
                std::uint32_t& d = b->pixels[static_cast<std::size_t>(py) * b->width + px];
                std::uint32_t r = 0;
                for (int shift = 0; shift < 24; shift += 8)
                {
                    const unsigned dc = (d >> shift) & 0xFF, sc = (colour >> shift) & 0xFF;
                    r |= ((dc * (255 - cover) + sc * cover) / 255) << shift;
                }
                d = r;
            }
        }
        pen += Ceil26(g->advance.x);
    }
    return true;
}

int GetDIBits(const Bitmap* b, int first, int count, std::uint32_t* out)
{
    if (!b || !out || first < 0) return 0;
    int copied = 0;
    for (int r = 0; r < count && first + r < b->height; ++r, ++copied)
    {
        const int row = b->height - 1 - (first + r);
        std::memcpy(out + static_cast<std::size_t>(r) * b->width,
                    b->pixels.data() + static_cast<std::size_t>(row) * b->width,
                    sizeof(std::uint32_t) * b->width);
    }
    return copied;
}
} // namespace plat::gdi
