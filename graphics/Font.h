// CFont: a bitmap font, a glyph page texture plus a table of glyph
// rectangles, drawn as screen-space quads through the model manager's
// "SCREEN" render slot with technique 37 and the text colour as the blend
// factor.
//
// Two ways to build it: from the files "data\fonts\<name>.fdf" (metrics and
// glyph table) and "<name>.dds" (the glyph page), or by rasterising an
// installed font through the platform's GDI-shaped rasteriser into a
// 512 x 512 A4R4G4B4 page. Texts are code page bytes converted to UTF-16
// with the Codepage setting, so one glyph table serves any 8-bit code page.
// SaveFiles writes a rasterised font back as .fdf and .dds.
//
// Ownership: the font owns its glyph texture, tables and quad store.
// Threads: Init may run on the start-up loader thread; drawing on the main
// thread.
#pragma once

#include "foundation/GeometryBuffer.h"

#include <cstdint>
#include <string>
#include <vector>

class CTexture;

// TEXTMETRICA as the .fdf file stores it.
struct STextMetric
{
    std::int32_t tmHeight = 0, tmAscent = 0, tmDescent = 0, tmInternalLeading = 0, tmExternalLeading = 0;
    std::int32_t tmAveCharWidth = 0, tmMaxCharWidth = 0, tmWeight = 0, tmOverhang = 0;
    std::int32_t tmDigitizedAspectX = 0, tmDigitizedAspectY = 0;
    std::uint8_t tmFirstChar = 0, tmLastChar = 0, tmDefaultChar = 0, tmBreakChar = 0;
    std::uint8_t tmItalic = 0, tmUnderlined = 0, tmStruckOut = 0, tmPitchAndFamily = 0, tmCharSet = 0;
    std::uint8_t pad[3] = {};
};
static_assert(sizeof(STextMetric) == 56);

struct SGlyph
{
    std::int32_t character = 0; // UTF-16 code unit
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::int32_t advance = 0, height = 0;
};
static_assert(sizeof(SGlyph) == 28);

struct SKerning
{
    std::uint32_t pair = 0; // first << 16 | second
    std::int32_t amount = 0;
};
static_assert(sizeof(SKerning) == 8);

class CFont
{
public:
    static constexpr std::uint32_t kMaxGlyphs = 1024; // quads per draw batch
    static constexpr std::uint32_t kMaxTextLength = 2048;
    static constexpr std::uint32_t kMaxFileGlyphs = 65536;
    static constexpr int kTechnique = 37;

    CFont() = default;
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // From the font files below the base directory; throws on a missing or
    // damaged ".fdf" (a missing ".dds" is only logged).
    void Init(const char* name);
    // From an installed font; GDI failures are logged and the work goes on.
    void Init(const char* face, int pointSize, int bold, int reserved, int smoothing, float sharpness,
              int reserved2);
    // Reads the .fdf bytes from an open file (the file form's reader).
    void ReadMetrics(const std::uint8_t* data, std::size_t size, const char* path);
    // Writes "<path>.fdf" and "<path>.dds" of a rasterised font.
    bool SaveFiles(const char* path) const;
    void Done();

    void RenderText(float x, float y, const char* text, std::uint32_t colour, int last = 65535);
    void RenderTextWidth(float x, float y, float width, const char* text, std::uint32_t colour,
                         int last = 65535);
    int TextWidth(const char* text) const;
    int GetHeight(float scale) const;
    bool FitText(const char* text, std::string& result, int maxWidth, int keep) const;

    // Fills the quad store for text from the pen; returns the glyphs
    // written (at most kMaxGlyphs per call, the rest is drawn by later
    // batches). Open to tests.
    std::uint32_t BuildQuads(const std::wstring& text, float x, float y, float stretch, std::size_t* consumed,
                             float* penX, float* penY, float* stretchSum, int* stretchAdded);
    const SGlyph* FindGlyph(std::int32_t character) const;

    STextMetric m_Metrics;
    CTexture* m_pTexture = nullptr;
    std::vector<SGlyph> m_Glyphs;
    std::vector<SKerning> m_Kerning;
    std::int32_t m_nPageWidth = 0;
    std::int32_t m_nPageHeight = 0;
    CGeometryBuffer m_Quads;
    std::int32_t m_nSourceMode = 0;
    // The rasterised page (A4R4G4B4 texels, top row first) kept for SaveFiles.
    std::vector<std::uint16_t> m_Page;

private:
    void AllocateQuads();
    void CreatePageTexture();
    void Draw(const std::wstring& text, float x, float y, float stretch, std::uint32_t colour);
};

// Code page bytes to UTF-16 with the Codepage setting (1251 when unset).
std::wstring FontTextToWide(const char* text);
