// Measuring and drawing a markup document: text through the graphic
// interface, icons from the interface texture, pictures from the image
// cache. Every draw sets the viewport to the document rectangle and puts
// the whole screen back afterwards, so nothing spills outside.
#include "ui/markup/HTMLObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/Texture.h"
#include "graphics/GraphicInterface.h"
#include "graphics/ModelManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>

extern float g_fEngineTime;

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

void CHTMLObject::RenderModel(const std::int32_t[4], const std::int32_t[4], int)
{
    XTRACE("CHTMLObject::RenderModel");
    // Models in text keep their 200 x 150 place; the turning view of the
    // model is drawn by the renderer's off-screen target, which this
    // document does not reach yet.
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
