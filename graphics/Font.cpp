// Fonts: metrics, measuring, fitting and drawing.
#include "graphics/Font.h"

#include "foundation/ErrorLog.h"
#include "foundation/Settings.h"
#include "graphics/TextureManager.h"
#include "foundation/Texture.h"
#include "graphics/ModelManager.h"
#include "graphics/Shaders.h"
#include "graphics/TexShaderManager.h"
#include "platform/CodePage.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace
{
constexpr std::uint32_t kFvfScreen = 0x204; // XYZRHW | TEX2

struct SScreenVertex
{
    float x, y, z, rhw;
    float u, v, u2, v2;
};
static_assert(sizeof(SScreenVertex) == 32);
} // namespace

std::wstring FontTextToWide(const char* text)
{
    if (!text || !*text) return {};
    // At most the quad store's worth of text per call in the original; the
    // length bound stays, the drawing itself batches.
    std::size_t n = std::strlen(text);
    if (n > CFont::kMaxTextLength) n = CFont::kMaxTextLength;
    std::wstring out(n, L'\0');
    const std::uint32_t cp = static_cast<std::uint32_t>(g_Settings.Codepage);
    int got = plat::MultiByteToWideChar(cp, text, static_cast<int>(n), out.data(), static_cast<int>(n));
    if (got <= 0)
        got = plat::MultiByteToWideChar(plat::CP_1251, text, static_cast<int>(n), out.data(),
                                        static_cast<int>(n));
    out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return out;
}

CFont::~CFont()
{
    Done();
}

void CFont::Done()
{
    m_Quads.Free();
    if (g_pTextureManager) g_pTextureManager->UncountTexture(m_pTexture);
    delete m_pTexture;
    m_pTexture = nullptr;
    m_Glyphs.clear();
    m_Kerning.clear();
    m_Page.clear();
}

void CFont::AllocateQuads()
{
    std::uint16_t* idx = m_Quads.Allocate(kFvfScreen, 4 * kMaxGlyphs, 6 * kMaxGlyphs);
    for (std::uint32_t q = 0; q < kMaxGlyphs; ++q)
    {
        const auto b = static_cast<std::uint16_t>(4 * q);
        std::uint16_t* i = idx + 6 * q;
        i[0] = b, i[1] = b + 1, i[2] = b + 2, i[3] = b + 2, i[4] = b + 3, i[5] = b;
    }
    m_Quads.m_nVertexCount = m_Quads.m_nIndexCount = 0;
}

void CFont::CreatePageTexture()
{
    // A font built again replaces its page; the old texture is freed here
    // rather than left behind.
    if (g_pTextureManager) g_pTextureManager->UncountTexture(m_pTexture);
    delete m_pTexture;
    m_pTexture = new CTexture;
    m_pTexture->CreateTexture(static_cast<std::uint32_t>(m_nPageWidth),
                              static_cast<std::uint32_t>(m_nPageHeight), 1, plat::d3d::D3DFMT_A4R4G4B4,
                              plat::d3d::D3DPOOL_MANAGED, 0);
    // Counted with the created page's estimate, which the statistics keep
    // when a loaded page replaces it.
    if (g_pTextureManager) g_pTextureManager->CountTexture(m_pTexture);
}

const SGlyph* CFont::FindGlyph(std::int32_t character) const
{
    for (const SGlyph& g : m_Glyphs)
        if (g.character == character) return &g;
    return nullptr;
}

int CFont::GetHeight(float scale) const
{
    return static_cast<int>(static_cast<float>(m_Metrics.tmDescent + m_Metrics.tmInternalLeading) *
                                (scale - 0.1f) +
                            static_cast<float>(m_Metrics.tmHeight));
}

int CFont::TextWidth(const char* text) const
{
    const std::wstring w = FontTextToWide(text);
    if (w.empty()) return 0;
    int width = 1;
    for (wchar_t c : w)
        if (const SGlyph* g = FindGlyph(static_cast<std::int32_t>(c))) width += g->right - g->left - 1;
    return width;
}

bool CFont::FitText(const char* text, std::string& result, int maxWidth, int keep) const
{
    const std::string s = text ? text : "";
    if (TextWidth(s.c_str()) < maxWidth)
    {
        result = s;
        return false;
    }
    const int length = static_cast<int>(s.size());
    if (keep < 0) keep = 0;
    if (keep > length) keep = length;
    int n = length - keep - 2;
    if (n < 0) n = 0;
    for (;;)
    {
        result = s.substr(0, static_cast<std::size_t>(n)) + ".." +
                 s.substr(static_cast<std::size_t>(length - keep));
        if (n <= 0 || TextWidth(result.c_str()) <= maxWidth) break;
        --n;
    }
    return true;
}

std::uint32_t CFont::BuildQuads(const std::wstring& text, float x, float, float stretch,
                                std::size_t* consumed, float* penX, float* penY, float* stretchSum,
                                int* stretchAdded)
{
    if (!m_Quads.m_pVertices) AllocateQuads();
    auto* v = reinterpret_cast<SScreenVertex*>(m_Quads.m_pVertices);
    const float pw = m_nPageWidth > 0 ? static_cast<float>(m_nPageWidth) : 1.0f;
    const float ph = m_nPageHeight > 0 ? static_cast<float>(m_nPageHeight) : 1.0f;
    std::uint32_t n = 0;
    std::size_t i = *consumed;
    for (; i < text.size() && n < kMaxGlyphs; ++i)
    {
        const wchar_t c = text[i];
        if (c == L'\n')
        {
            *penX = x - 0.5f;
            *penY += static_cast<float>(GetHeight(1.0f));
            continue;
        }
        const SGlyph* g = FindGlyph(static_cast<std::int32_t>(c));
        if (!g) continue;
        const float w = static_cast<float>(g->advance), h = static_cast<float>(g->height);
        const float u0 = static_cast<float>(g->left) / pw,
                    u1 = static_cast<float>(g->left + g->advance - 1) / pw;
        const float v0 = static_cast<float>(g->top) / ph,
                    v1 = static_cast<float>(g->top + g->height - 1) / ph;
        SScreenVertex* q = v + 4 * n;
        q[0] = SScreenVertex{*penX, *penY, 0.0f, 0.1f, u0, v0, 0.0f, 0.0f};
        q[1] = SScreenVertex{*penX + w - 1.0f, *penY, 0.0f, 0.1f, u1, v0, 0.0f, 0.0f};
        q[2] = SScreenVertex{*penX + w - 1.0f, *penY + h - 1.0f, 0.0f, 0.1f, u1, v1, 0.0f, 0.0f};
        q[3] = SScreenVertex{*penX, *penY + h - 1.0f, 0.0f, 0.1f, u0, v1, 0.0f, 0.0f};
        ++n;
        float step = static_cast<float>(g->right - g->left - 1);
        if (c == L' ' && stretch != 0.0f)
        {
            *stretchSum += stretch;
            const int rounded = static_cast<int>(std::lround(*stretchSum));
            step += static_cast<float>(rounded - *stretchAdded);
            *stretchAdded = rounded;
        }
        *penX += step;
    }
    *consumed = i;
    m_Quads.m_nVertexCount = 4 * n;
    m_Quads.m_nIndexCount = 6 * n;
    return n;
}

void CFont::Draw(const std::wstring& text, float x, float y, float stretch, std::uint32_t colour)
{
    if (text.empty()) return;
    float penX = x - 0.5f, penY = y - 0.5f, sum = 0.0f;
    int added = 0;
    std::size_t consumed = 0;
    // A text of more glyphs than the quad store holds is drawn in batches.
    while (consumed < text.size())
    {
        const std::uint32_t n = BuildQuads(text, x, y, stretch, &consumed, &penX, &penY, &sum, &added);
        if (n == 0 || !g_pModelManager || !g_pTexShaderManager) continue;
        CMesh* mesh = g_pModelManager->GetRenderSingleBufMesh(g_pModelManager->m_iScreenSlot, &m_Quads);
        if (!mesh) continue;
        SetTextureFactor(colour, kFactorRenderState | kFactorPixelShader);
        g_pTexShaderManager->ApplyStateBlock(kTechnique, mesh, m_pTexture);
    }
}

void CFont::RenderText(float x, float y, const char* text, std::uint32_t colour, int)
{
    Draw(FontTextToWide(text), x, y, 0.0f, colour);
}

void CFont::RenderTextWidth(float x, float y, float width, const char* text, std::uint32_t colour, int)
{
    const std::wstring w = FontTextToWide(text);
    float extra = width - static_cast<float>(TextWidth(text));
    int spaces = 0;
    for (wchar_t c : w)
        spaces += c == L' ';
    float stretch = spaces ? extra / static_cast<float>(spaces) : 0.0f;
    if (stretch > 20.0f) stretch = 0.0f;
    Draw(w, x, y, stretch, colour);
}
