// Fonts: the file form (.fdf + .dds) and rasterising an installed font.
#include "graphics/Font.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Settings.h"
#include "foundation/Texture.h"
#include "platform/CodePage.h"
#include "platform/d3d8/D3D8.h"
#include "platform/gdi/Gdi.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace
{
// ".fdf" layout (little-endian):
//   0    60  header, not interpreted (the writer stores "TVXFONT" and the face)
//   60   4   page width
//   64   4   page height
//   68   4   glyph count n
//   72   56  TEXTMETRICA
//   128  28n glyphs: character, left, top, right - 1, bottom, advance - 1, height
constexpr std::size_t kHeaderSize = 60;
constexpr std::size_t kGlyphsAt = 128;
constexpr std::int32_t kMaxPage = 4096;
constexpr int kGdiPage = 512;

std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

[[noreturn]] void Fail(const char* path, const char* what, std::size_t offset)
{
    throw std::runtime_error(std::string("font '") + path + "': " + what + " at byte " +
                             std::to_string(offset));
}

int Smooth(const std::vector<std::uint8_t>& in, int w, int h, int x, int y, int mode, float sharpness)
{
    const int radius = mode == 1 ? 1 : 2;
    int sum = 0, total = 0;
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
        {
            const int px = x + dx, py = y + dy;
            if (px < 0 || py < 0 || px >= w || py >= h) continue;
            const int ay = dy < 0 ? -dy : dy, ax = dx < 0 ? -dx : dx;
            int weight;
            if (mode == 1)
                weight = (ay == 0 && ax == 0)   ? static_cast<int>(16.0f / sharpness)
                         : (ay == 0 || ax == 0) ? 2
                                                : 1;
            else
            {
                static const int kWeights[3][3] = {{0, 5, 1}, {5, 3, 1}, {1, 1, 0}};
                weight = (ay == 0 && ax == 0) ? static_cast<int>(64.0f / sharpness) : kWeights[ay][ax];
            }
            sum += weight * in[static_cast<std::size_t>(py) * w + px];
            total += weight;
        }
    if (total <= 0) return in[static_cast<std::size_t>(y) * w + x];
    const int r = mode == 1 ? (sum + sum / 2 + total / 2) / total : (sum + sum / 10 + total / 2) / total;
    return std::min(r, 15);
}
} // namespace

void CFont::ReadMetrics(const std::uint8_t* data, std::size_t size, const char* path)
{
    if (size < kGlyphsAt) Fail(path, "header cut short", size);
    const std::uint32_t pw = Le32(data + 60), ph = Le32(data + 64), n = Le32(data + 68);
    if (pw == 0 || ph == 0 || pw > kMaxPage || ph > kMaxPage) Fail(path, "page size out of range", 60);
    if (n > kMaxFileGlyphs) Fail(path, "glyph count out of range", 68);
    if ((size - kGlyphsAt) / sizeof(SGlyph) < n) Fail(path, "glyph table cut short", size);
    m_nPageWidth = static_cast<std::int32_t>(pw);
    m_nPageHeight = static_cast<std::int32_t>(ph);
    std::memcpy(static_cast<void*>(&m_Metrics), data + 72, sizeof(m_Metrics));
    m_Glyphs.clear();
    m_Glyphs.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i)
    {
        SGlyph g;
        std::memcpy(static_cast<void*>(&g), data + kGlyphsAt + i * sizeof(SGlyph), sizeof(g));
        // The file stores right and advance one smaller than they are.
        g.right += 1;
        g.advance += 1;
        g.bottom = std::min(g.bottom, m_nPageHeight);
        m_Glyphs.push_back(g);
    }
}

void CFont::Init(const char* name)
{
    XTRACE("CFont::Init");
    Done();
    m_nSourceMode = 1;
    const std::string base = GetEngineBaseDirectory() + "data\\fonts\\" + (name ? name : "");
    const std::string fdf = base + ".fdf", dds = base + ".dds";

    CPakStream file;
    if (!GetPakFileSystem().OpenStream(fdf.c_str(), file)) Fail(fdf.c_str(), "file not found", 0);
    std::vector<std::uint8_t> bytes(file.GetLength());
    const std::uint32_t got = bytes.empty() ? 0 : file.ReadBytes(bytes.data(), std::uint32_t(bytes.size()));
    file.Close();
    ReadMetrics(bytes.data(), got, fdf.c_str());

    CreatePageTexture();
    // LoadFromFile replaces the created texture with the page; a missing
    // page is logged there and the font draws with an empty texture.
    m_pTexture->LoadFromFile(dds.c_str(), 16, 0, 1, 0);
    AllocateQuads();
}

void CFont::Init(const char* face, int pointSize, int bold, int, int smoothing, float sharpness, int)
{
    XTRACE("CFont::Init");
    Done();
    m_nSourceMode = smoothing;
    if (sharpness <= 0.0f) sharpness = 1.0f;
    namespace gdi = plat::gdi;

    gdi::Font* font = gdi::CreateFont(-gdi::PointsToPixels(pointSize),
                                      bold > 0 ? gdi::FW_BOLD : gdi::FW_NORMAL, gdi::RUSSIAN_CHARSET, face);
    if (!font) g_ErrorLog.LogError("CFont::Init ERROR Create Font");
    gdi::TextMetrics tm{};
    gdi::GetTextMetrics(font, &tm);
    static_assert(offsetof(STextMetric, tmCharSet) == offsetof(gdi::TextMetrics, tmCharSet));
    std::memcpy(static_cast<void*>(&m_Metrics), &tm, offsetof(STextMetric, tmCharSet) + 1);
    const int boxLeft = gdi::GetFontBoxLeft(font);
    const int pairs = gdi::GetKerningPairs(font, 65535, nullptr);
    std::vector<gdi::KerningPair> kerning(static_cast<std::size_t>(pairs));
    if (pairs > 0) gdi::GetKerningPairs(font, pairs, kerning.data());
    for (const gdi::KerningPair& k : kerning)
        m_Kerning.push_back(SKerning{std::uint32_t(k.first) << 16 | k.second, k.amount});

    m_nPageWidth = m_nPageHeight = kGdiPage;
    gdi::Bitmap* bitmap = gdi::CreateBitmap(kGdiPage, kGdiPage + 1);
    if (!bitmap) g_ErrorLog.LogError("CFont::Init ERROR Create BitMap");
    gdi::FillRect(bitmap, 0, 0, kGdiPage, kGdiPage + 1, 0);

    const std::uint32_t cp = static_cast<std::uint32_t>(g_Settings.Codepage);
    int cx = 1, cy = 1;
    bool pageFull = false;
    for (int c = m_Metrics.tmFirstChar; font && c <= m_Metrics.tmLastChar; ++c)
    {
        const char byte = static_cast<char>(c);
        wchar_t w = 0;
        if (plat::MultiByteToWideChar(cp, &byte, 1, &w, 1) != 1) continue;
        int advance = 0;
        gdi::GetTextExtentPoint32W(font, &w, 1, &advance, nullptr);
        SGlyph g;
        g.character = static_cast<std::int32_t>(w);
        g.height = m_Metrics.tmHeight + m_Metrics.tmDescent;
        if (cx + advance - boxLeft >= kGdiPage)
        {
            cx = 0;
            cy += g.height;
        }
        // A glyph whose cell no longer fits the page would be drawn from
        // outside the texture: it is left out (the text skips it) and said.
        if (cy + m_Metrics.tmHeight > kGdiPage)
        {
            if (!pageFull)
                g_ErrorLog.LogError("CFont::Init page full at character %d of '%s'", c, face ? face : "");
            pageFull = true;
            continue;
        }
        g.left = cx;
        g.top = cy;
        g.bottom = std::min(g.top + g.height, kGdiPage);
        g.right = g.left + advance;
        cx += advance - boxLeft;
        g.advance = advance - boxLeft;
        gdi::TextOutW(bitmap, font, g.left, g.top, &w, 1, 0x00FFFFFF);
        m_Glyphs.push_back(g);
    }

    // Intensity from bits 4-7 of each 32-bit pixel, smoothed on request,
    // into white A4R4G4B4 texels with the intensity as alpha.
    std::vector<std::uint8_t> level(static_cast<std::size_t>(kGdiPage) * kGdiPage, 0);
    if (bitmap)
    {
        std::vector<std::uint32_t> dib(static_cast<std::size_t>(kGdiPage) * (kGdiPage + 1));
        if (gdi::GetDIBits(bitmap, 0, kGdiPage + 1, dib.data()) != kGdiPage + 1)
            g_ErrorLog.LogError("Init can`t get bitmap bits");
        for (int y = 0; y < kGdiPage; ++y)
            for (int x = 0; x < kGdiPage; ++x)
                level[static_cast<std::size_t>(y) * kGdiPage + x] = static_cast<std::uint8_t>(
                    (dib[static_cast<std::size_t>(kGdiPage - y) * kGdiPage + x] >> 4) & 15);
    }
    m_Page.assign(level.size(), 0);
    for (int y = 0; y < kGdiPage; ++y)
        for (int x = 0; x < kGdiPage; ++x)
        {
            int i = level[static_cast<std::size_t>(y) * kGdiPage + x];
            if (smoothing == 1 || smoothing == 2)
                i = Smooth(level, kGdiPage, kGdiPage, x, y, smoothing, sharpness);
            m_Page[static_cast<std::size_t>(y) * kGdiPage + x] =
                static_cast<std::uint16_t>((i << 12) | 0x0FFF);
        }

    // Without a device (a tool writing font files) there is no page
    // texture to make: the page stays in memory for SaveFiles.
    if (graph.m_lpDevice) CreatePageTexture();
    if (m_pTexture && m_pTexture->m_lpTexture)
    {
        plat::d3d::SLockedRect locked{};
        if (!plat::Failed(m_pTexture->m_lpTexture->LockRect(0, &locked, nullptr, 0)))
        {
            for (int y = 0; y < kGdiPage; ++y)
                std::memcpy(static_cast<std::uint8_t*>(locked.pBits) +
                                static_cast<std::ptrdiff_t>(y) * locked.Pitch,
                            m_Page.data() + static_cast<std::size_t>(y) * kGdiPage, 2 * kGdiPage);
            m_pTexture->m_lpTexture->UnlockRect(0);
        }
    }
    gdi::DeleteBitmap(bitmap);
    gdi::DeleteFont(font);
    AllocateQuads();
}

bool CFont::SaveFiles(const char* path) const
{
    if (m_Page.size() != static_cast<std::size_t>(m_nPageWidth) * static_cast<std::size_t>(m_nPageHeight))
        return false;
    std::vector<std::uint8_t> fdf(kGlyphsAt, 0);
    std::memcpy(fdf.data(), "TVXFONT", 7);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(fdf.data() + at, &v, 4); };
    put32(60, std::uint32_t(m_nPageWidth));
    put32(64, std::uint32_t(m_nPageHeight));
    put32(68, std::uint32_t(m_Glyphs.size()));
    std::memcpy(fdf.data() + 72, &m_Metrics, sizeof(m_Metrics));
    for (SGlyph g : m_Glyphs)
    {
        g.right -= 1;
        g.advance -= 1;
        const auto* p = reinterpret_cast<const std::uint8_t*>(&g);
        fdf.insert(fdf.end(), p, p + sizeof(g));
    }

    // A4R4G4B4 DDS: 128-byte header (RGB with alpha, masks F00/F0/F/F000).
    std::vector<std::uint8_t> dds(128, 0);
    auto d32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(dds.data() + at, &v, 4); };
    std::memcpy(dds.data(), "DDS ", 4);
    d32(4, 124);
    d32(8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x8); // caps, height, width, pixel format, pitch
    d32(12, std::uint32_t(m_nPageHeight));
    d32(16, std::uint32_t(m_nPageWidth));
    d32(20, std::uint32_t(m_nPageWidth) * 2);
    d32(28, 1);
    d32(76, 32);
    d32(80, 0x41);
    d32(88, 16);
    d32(92, 0xF00);
    d32(96, 0xF0);
    d32(100, 0xF);
    d32(104, 0xF000);
    d32(108, 0x1000);
    const auto* texels = reinterpret_cast<const std::uint8_t*>(m_Page.data());
    dds.insert(dds.end(), texels, texels + 2 * m_Page.size());

    auto write = [](const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        std::FILE* f = std::fopen(name.c_str(), "wb");
        if (!f) return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    };
    return write(std::string(path) + ".fdf", fdf) && write(std::string(path) + ".dds", dds);
}
