// Measuring and drawing a markup document: text through the graphic
// interface, icons from the interface texture, pictures from the image
// cache, models turning in the effect renderer's off-screen target. Every
// text and icon draw sets the viewport to the document rectangle and puts
// the whole screen back afterwards, so nothing spills outside.
#include "ui/markup/HTMLObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/Texture.h"
#include "foundation/Graphic.h"
#include "graphics/ComplexObject.h"
#include "graphics/GraphicInterface.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TextureManager.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
struct SIconPlace
{
    const char* name;
    int x, y;
};
constexpr SIconPlace kIcons[] = {
    {"POINT", 216, 62}, {"BUY", 344, 5},      {"SOLD", 344, 23},  {"PLUS", 531, 0},   {"MINUS", 531, 45},
    {"QUEST", 275, 54}, {"QUEST2", 484, 320}, {"OK", 295, 54},    {"TIMER", 315, 54}, {"CANCEL", 335, 54},
    {"BLANK", 363, 25}, {"TICKET", 363, 47},  {"SUBSCR", 363, 3},
};

std::uint32_t WithAlpha(std::uint32_t colour, float fade)
{
    const std::uint32_t alpha = std::uint32_t(int(255.0f * fade)) & 0xFF;
    return alpha << 24 | (colour & 0xFFFFFF);
}

// A link in the first link colour flashes white every 2/3 second.
std::uint32_t Pulse(std::uint32_t colour, double time)
{
    const double t = time * 1.5;
    const double f = 1.0 - 0.75 * (t - std::trunc(t));
    const double m = std::max(f, 0.8);
    std::uint32_t out = colour & 0xFF000000;
    for (int shift = 0; shift <= 16; shift += 8)
    {
        const int c = int((colour >> shift) & 0xFF);
        const int v = std::clamp(c - int((m - 0.8) * double(255 - c) * -5.0), 0, 255);
        out |= std::uint32_t(v) << shift;
    }
    return out;
}
} // namespace

// ---- CMMHtmlWindow ----

CMMHtmlWindow::CMMHtmlWindow(IGraphicInterface* graphic) : m_pGraphic(graphic) {}

double CMMHtmlWindow::GameTime() const
{
    return m_bOwnTime ? m_dGameTime : double(g_fEngineTime);
}

void CMMHtmlWindow::SelectFont(int font)
{
    if (m_pGraphic) m_pGraphic->SelectFont(font == 1 ? 1 : 0);
}

int CMMHtmlWindow::GetTextHeight(int font)
{
    XTRACE("CMMHtmlWindow::GetTextHeight");
    if (!m_pGraphic) return 0;
    SelectFont(font);
    return int(float(m_pGraphic->GetTextHeight()) * m_fTextScale);
}

int CMMHtmlWindow::GetTextWidth(int font, const char* text)
{
    XTRACE("CMMHtmlWindow::GetTextWidth");
    if (!m_pGraphic || !text) return 0;
    SelectFont(font);
    return m_pGraphic->TextWidth(text);
}

void CMMHtmlWindow::ClipTo(const std::int32_t rect[4])
{
    if (m_pGraphic) m_pGraphic->SetViewport(rect);
}

void CMMHtmlWindow::Unclip()
{
    if (m_pGraphic) m_pGraphic->SetFullViewport();
}

void CMMHtmlWindow::RenderText(int left, int top, int right, int bottom, int font, const char* text,
                               std::uint32_t colour)
{
    XTRACE("CMMHtmlWindow::RenderText");
    (void)right;
    (void)bottom;
    if (!m_pGraphic || !text) return;
    ClipTo(m_Rect);
    SelectFont(font);
    m_pGraphic->RenderText(text, left + 1, top + 1, WithAlpha(0, m_fFade));
    m_pGraphic->RenderText(text, left, top, WithAlpha(colour, m_fFade));
    Unclip();
}

void CMMHtmlWindow::RenderTextEx(int x, int y, int font, const char* text, int, std::uint32_t colour)
{
    XTRACE("CMMHtmlWindow::RenderTextEx");
    if (!m_pGraphic || !text || (font != 0 && font != 1)) return;
    SelectFont(font);
    m_pGraphic->RenderText(text, x, y, colour);
}

// ---- CHTMLObject drawing ----

void CHTMLObject::IconPlace(const char* name, int* x, int* y)
{
    *x = *y = 0;
    for (const SIconPlace& icon : kIcons)
        if (name && std::strcmp(icon.name, name) == 0)
        {
            *x = icon.x;
            *y = icon.y;
        }
}

void CHTMLObject::GetIconSize(const char* name, int* w, int* h)
{
    const std::string n = name ? name : "";
    int size = 21;
    if (n == "POINT")
        size = 13;
    else if (n == "BUY" || n == "SOLD")
        size = 15;
    else if (n == "PLUS" || n == "MINUS")
        size = 14;
    *w = *h = size;
}

int CHTMLObject::FindModel(const char* name) const
{
    return g_pModelManager && name ? g_pModelManager->FindName(name) : -1;
}

void CHTMLObject::GetImageSize(const char* name, int* w, int* h)
{
    *w = 200;
    *h = 150;
    if (FindModel(name) >= 0) return;
    if (const SHTMLImage* image = GetImageData(name))
    {
        *w = image->width;
        *h = image->height;
    }
}

void CHTMLObject::RenderIcon(const std::int32_t r[4], const char* name)
{
    XTRACE("CHTMLObject::RenderIcon");
    if (!m_pGraphic || !CGraphicInterface::ResolveTexture(m_TexUII)) return;
    ClipTo(m_Rect);
    int w = 0, h = 0;
    GetIconSize(name, &w, &h);
    const int x = r[0] + int(std::floor(double(r[2] - r[0] - w) / 2.0));
    const int y = r[1] + int(std::floor(double(r[3] - r[1] - h) / 2.0));
    int tx = 0, ty = 0;
    IconPlace(name, &tx, &ty);
    m_pGraphic->SetFade(m_fFade);
    const int screen[4] = {x, y, x + w, y + h};
    // One screen pixel per texel of the 1024 x 1024 interface texture,
    // from the icon's place.
    const int source[4] = {tx, ty, 1024, 1024};
    m_pGraphic->DrawTexture(m_TexUII, screen, source, 19);
    Unclip();
}

void CHTMLObject::DrawImageQuad(const SHTMLImage& image, const std::int32_t screen[4],
                                const std::int32_t source[4])
{
    if (!image.valid || !image.texture || !g_pModelManager) return;
    std::int32_t tw = 0, th = 0;
    image.texture->GetSize(&tw, &th);
    g_pModelManager->DrawTexturedRect(screen[0], screen[1], screen[2], screen[3], source[0], source[1],
                                      std::max(1, tw), std::max(1, th), image.texture, 19);
}

void CHTMLObject::RenderImage(const std::int32_t el[4], const std::int32_t vis[4], const char* name)
{
    XTRACE("CHTMLObject::RenderImage");
    const int offset = vis[1] - el[1];
    if (!(0 <= offset && offset < vis[3] - el[1])) return;
    if (m_pGraphic) m_pGraphic->SetFade(m_fFade);
    const int model = FindModel(name);
    if (model >= 0)
    {
        RenderModel(el, vis, model);
        return;
    }
    const SHTMLImage* image = GetImageData(name);
    if (!image) return;
    const std::int32_t source[4] = {0, offset, vis[2] - vis[0], vis[3] - el[1]};
    DrawImageQuad(*image, vis, source);
}

void CHTMLObject::RenderModel(const std::int32_t el[4], const std::int32_t vis[4], int index)
{
    XTRACE("CHTMLObject::RenderModel");
    using namespace plat::d3d;
    Device* device = graph.m_lpDevice;
    auto* model = g_pModelManager ? dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(index)) : nullptr;
    if (!model || !device) return; // still loading: next frame
    // Only a picture whose top shows is drawn (the view's matrices are left
    // alone otherwise).
    const int offset = vis[1] - el[1];
    if (!(0 <= offset && offset < vis[3] - el[1])) return;

    // Seen from 5 units away, 15 degrees from above (a quarter turn and 15
    // degrees about x, the picture's rows running down as the screen's).
    const float tilt = 105.0f * 3.14159265f / 180.0f;
    CMatrix view(1.0f);
    view.m[1][1] = -std::cos(tilt);
    view.m[1][2] = std::sin(tilt);
    view.m[2][1] = std::sin(tilt);
    view.m[2][2] = std::cos(tilt);
    view.m[3][2] = 5.0f;
    device->SetTransform(D3DTS_VIEW, reinterpret_cast<const SMatrix*>(&view));
    graph.SetProjection(1000.0f, 0.01f, 54.0f, 40.0f, false);

    // A steady key light and a pulsing one from the picture's side of the
    // screen.
    const double time = GameTime();
    SLight key{};
    key.Type = D3DLIGHT_DIRECTIONAL;
    const CVector along = Normalize(CVector{-0.5f, 2.0f, 0.5f});
    key.Direction = {-along.x, -along.y, -along.z};
    key.Diffuse = {0.75f, 0.75f, 0.75f, 1.0f};
    key.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    key.Ambient = {0.4f, 0.4f, 0.4f, 1.0f};
    SLight pulse{};
    pulse.Type = D3DLIGHT_DIRECTIONAL;
    const float v = float(0.8 + 0.2 * std::sin(8.0 * time));
    pulse.Diffuse = pulse.Specular = {0.25f * v, 0.5f * v, v, 1.0f};
    const CVector side =
        Normalize(CVector{float(el[0] + el[2]) * 0.5f - float(graph.m_nScreenWidth) * 0.5f,
                          float(el[1] + el[3]) * 0.5f - float(graph.m_nScreenHeight) * 0.5f, -100.0f});
    pulse.Direction = {side.x, side.y, side.z};
    device->SetLight(0, &key);
    device->SetLight(1, &pulse);
    device->LightEnable(0, true);
    device->LightEnable(1, true);

    // The model fills the picture: its radius (or three quarters of its
    // height, when more) scaled to 2.4, turning 27 degrees a second,
    // centred by its box and lifted a little.
    float maxPoint[3];
    model->GetMaxPoint(maxPoint);
    const float radius = std::max(g_pModelManager->GetModelScale(index), 0.75f * maxPoint[2]);
    const float scale = radius > 0.0f ? 2.4f / radius : 1.0f;
    const float angle = float(0.15 * 3.14159265358979 * time);
    CMatrix world(1.0f);
    world.m[0][0] = world.m[1][1] = std::cos(angle) * scale;
    world.m[0][1] = std::sin(angle) * scale;
    world.m[1][0] = -std::sin(angle) * scale;
    world.m[2][2] = scale;
    float centre[3];
    model->GetBoundingCenter(centre);
    CVector placed;
    const CVector c{centre[0], centre[1], centre[2]};
    VectorTransformNormal(&placed, &world, &c);
    world.SetTranslation(CVector{-placed.x, -placed.y, 0.1f - placed.z});

    if (!g_EffectRenderManager.BeginModelView(0x80000000u))
    {
        graph.ApplyProjection();
        return;
    }
    const SViewport whole{0, 0, CEffectRenderManager::kSlotSize, CEffectRenderManager::kSlotSize, 0.0f, 1.0f};
    device->SetViewport(&whole);
    std::uint32_t depthTest = 0;
    device->GetRenderState(D3DRS_ZENABLE, &depthTest);
    device->SetRenderState(D3DRS_ZENABLE, 1);
    g_Environment.SetFog(false, 1.0f, 0.0f);
    if (m_pGraphic) m_pGraphic->SetFade(1.0f);
    device->SetMaterial(&g_DefaultMaterial);
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&world));
    g_ModelWorldMatrix = world;
    model->Render(nullptr, 0, -1);
    device->SetRenderState(D3DRS_ZENABLE, depthTest);
    g_EffectRenderManager.EndModelView();
    Unclip();
    graph.ApplyProjection();

    // The whole picture squeezed into the element: the texture rectangle
    // names the quad's size in texels, so the 512 x 512 target spans it.
    const int screen[4] = {vis[0], vis[1], vis[2], vis[3]};
    const int texture[4] = {0, 0, 200, 150};
    g_EffectRenderManager.DrawSlot(0, screen, texture, 19);
    g_Environment.SetFog(false, 1.0f, 0.0f);
}

void CHTMLObject::Render()
{
    XTRACE("CHTMLObject::Render");
    if (m_iStrNum > kMaxElements) g_ErrorLog.LogError("m_iStrNum<MAX_MHTLOBJECT");
    const int count = std::min(m_iStrNum, kMaxElements);
    m_iRenderBlock = m_Blocks.empty() ? -1 : 0;
    if (m_iRenderBlock >= 0) std::memcpy(m_szCurBlockID, m_Blocks[0].id, sizeof m_szCurBlockID);
    const int top = m_Rect[1], bottom = m_Rect[3];
    const std::string hoveredKind =
        m_iHovered >= 0 && m_iHovered < count ? m_Elements[m_iHovered].Kind : std::string();

    for (int i = 0; i < count; ++i)
    {
        while (m_iRenderBlock >= 0 && std::size_t(m_iRenderBlock) + 1 < m_Blocks.size() &&
               i > m_Blocks[std::size_t(m_iRenderBlock)].last)
        {
            ++m_iRenderBlock;
            std::memcpy(m_szCurBlockID, m_Blocks[std::size_t(m_iRenderBlock)].id, sizeof m_szCurBlockID);
        }
        const SHTMLElement& e = m_Elements[i];
        if (!e.Visible) continue;
        const bool overlaps = e.Top <= bottom && e.Bottom >= top;
        const bool inRange = m_bWholeLinesOnly ? (e.Top >= top && e.Bottom <= bottom) : overlaps;
        const std::int32_t rect[4] = {e.Left, e.Top, e.Right, e.Bottom};

        switch (e.Type)
        {
        case SHTMLElement::kIcon:
            if (inRange) RenderIcon(rect, e.Text.c_str());
            break;
        case SHTMLElement::kText:
        case SHTMLElement::kLink:
        case SHTMLElement::kParagraph:
        case SHTMLElement::kObject:
            if (inRange)
            {
                const bool hovered = i == m_iHovered || (!hoveredKind.empty() && e.Kind == hoveredKind);
                if (hovered && m_bUseLinkColors)
                    RenderText(e.Left, e.Top, e.Right, e.Bottom, e.Font, e.Text.c_str(), m_HoverColor);
                else if (hovered)
                {
                    RenderText(e.Left, e.Top, e.Right, e.Bottom, e.Font, e.Text.c_str(), e.Color);
                    RenderText(e.Left - 1, e.Top - 1, e.Right - 1, e.Bottom - 1, e.Font, e.Text.c_str(),
                               e.Color);
                }
                else
                {
                    std::uint32_t colour = e.Color;
                    if (colour == m_FirstLinkColor) colour = Pulse(colour, GameTime());
                    RenderText(e.Left, e.Top, e.Right, e.Bottom, e.Font, e.Text.c_str(), colour);
                }
                break;
            }
            if (e.Type != SHTMLElement::kObject) break;
            [[fallthrough]];
        case SHTMLElement::kImage:
            if (overlaps)
            {
                const std::int32_t vis[4] = {e.Left, std::max(e.Top, top), e.Right,
                                             std::min(e.Bottom, bottom)};
                if (e.Type == SHTMLElement::kImage)
                    RenderImage(rect, vis, e.Text.c_str());
                else
                    RenderObject(rect, vis, e.Text.c_str());
            }
            break;
        default:
            break;
        }
    }
    m_iHovered = -1;
}

// ---- the message panel's document ----

void CHTMLObjectView::RenderText(int left, int top, int right, int bottom, int font, const char* text,
                                 std::uint32_t colour)
{
    XTRACE("CMMHtmlWindow::RenderText");
    (void)right;
    (void)bottom;
    (void)font;
    m_iLastLineTop = top;
    double age = 0.0;
    if (m_iRenderBlock >= 0 && std::size_t(m_iRenderBlock) < m_Blocks.size())
        if (const auto* record =
                reinterpret_cast<const SMessageRecord*>(m_Blocks[std::size_t(m_iRenderBlock)].userValue))
            age = GameTime() - double(record->time);
    if (m_bFading && age > 20.0)
    {
        ++m_iExpiredLines;
        return;
    }
    if (!m_pGraphic || !text) return;
    ClipTo(m_Rect);
    float alpha = 255.0f * m_fFade;
    if (m_bFading && age > 18.0) alpha = float(255.0 * double(m_fFade) * (20.0 - age) * 0.5);
    std::uint32_t rgb = colour & 0xFFFFFF;
    if (m_bFading && age < 1.0)
    {
        // New lines flash: black to white over the first half second, then
        // white back to their colour.
        const auto blend = [](std::uint32_t a, std::uint32_t b, double wa)
        {
            std::uint32_t out = 0;
            for (int s = 0; s <= 16; s += 8)
            {
                const double v = double((a >> s) & 0xFF) * wa + double((b >> s) & 0xFF) * (1.0 - wa);
                out |= std::uint32_t(std::lround(v)) << s;
            }
            return out;
        };
        rgb = age < 0.5 ? blend(0xFFFFFF, 0x000000, 2.0 * age) : blend(rgb, 0xFFFFFF, 2.0 * age - 1.0);
    }
    const std::uint32_t a = std::uint32_t(std::clamp(int(alpha), 0, 255)) << 24;
    SelectFont(0);
    m_pGraphic->RenderText(text, left + 1, top + 1, a);
    m_pGraphic->RenderText(text, left, top, a | rgb);
    Unclip();
}
