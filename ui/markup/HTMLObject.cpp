#include "ui/markup/HTMLObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace
{
bool IsImageOrIcon(const std::string& kind)
{
    return strcasecmp(kind.c_str(), "image") == 0 || strcasecmp(kind.c_str(), "icon") == 0;
}

bool Hits(const SHTMLElement& e, int x, int y)
{
    return e.Left <= x && x < e.Right && e.Top <= y && y < e.Bottom;
}
} // namespace

CHTMLObject::CHTMLObject(int left, int top, int right, int bottom, IGraphicInterface* graphic)
    : CMMHtmlWindow(graphic), m_Elements(kMaxElements)
{
    XTRACE("CHTMLObject::CHTMLObject()");
    m_NamedColours[kRed] = 0x00E41D30;
    m_NamedColours[kGreen] = 0x0000DD56;
    m_NamedColours[kBlue] = 0x00CA973B;
    m_NamedColours[kWhite] = 0x00FFFFFF;
    // Given no value of its own elsewhere; a plain magenta.
    m_NamedColours[kMagenta] = 0x00FF00FF;
    m_NamedColours[kCyan] = 0x0002FDFF;
    m_NamedColours[kYellow] = 0x00D2D360;
    m_NamedColours[kOrange] = 0x00FFB83C;
    m_NamedColours[kViolet] = 0x00EA00FF;
    m_Rect[0] = left;
    m_Rect[1] = top;
    m_Rect[2] = right;
    m_Rect[3] = bottom;
    m_iImageThreshold = 3 * (right - left) / 5;
    MakeGuidKey(&m_TexUI1, "TEX_INT_UI1");
    MakeGuidKey(&m_TexUII, "TEX_INT_UII");
    m_iPenX = left;
    m_iPenY = top;
    m_iWrapLimit = right;
}

CHTMLObject::~CHTMLObject() = default;

void CHTMLObject::AddText(const char* text, const char* blockId, const char* linkPrefix, bool newLine)
{
    XTRACE("CHTMLObject::AddText");
    if (!blockId) blockId = "EMPTY";
    m_sLinkPrefix = linkPrefix ? linkPrefix : "";
    if (!text || !*text || m_iStrNum > kAddTextLimit) return;
    if (std::strlen(blockId) > std::size_t(kIdLength))
        g_ErrorLog.LogError("CHTMLObject::AddText Block ID '%s' exceed 32 symbols", blockId);

    SHTMLBlock block;
    CopyName(block.id, blockId);
    block.first = m_iStrNum;
    block.last = m_iStrNum - 1;
    m_Blocks.push_back(block);
    std::memcpy(m_szCurBlockID, block.id, sizeof m_szCurBlockID);

    if (newLine)
    {
        m_CurColor = m_NormalColor;
        if (!m_bContinueAtPen) m_iPenY = GetContentBottom();
        m_iPenX = m_Rect[0];
        m_iWrapLimit = m_Rect[2];
    }
    else if (m_iStrNum > 0)
        m_iPenY = m_Elements[m_iStrNum - 1].Top;

    try
    {
        Parser(text);
    }
    catch (...)
    {
        m_Blocks.back().last = m_iStrNum - 1;
        m_bContinueAtPen = 0;
        throw;
    }
    if (m_iStrNum > 0 && m_iStrNum > m_Blocks.back().first) m_Elements[m_iStrNum - 1].LineEnd = 1;
    m_Blocks.back().last = m_iStrNum - 1;
    m_bContinueAtPen = 0;
}

void CHTMLObject::Clear()
{
    m_CurColor = m_NormalColor;
    m_sLinkPrefix.clear();
    m_Blocks.clear();
    m_iLastSelected = -1;
    m_iHovered = -1;
    m_iStrNum = 0;
    m_bContinueAtPen = 0;
    m_iWrapLimit = m_Rect[2];
    m_iPenX = m_Rect[0];
    m_iPenY = m_Rect[1];
}

int CHTMLObject::FindBlock(const char* blockId) const
{
    if (!blockId) return -1;
    char id[32];
    CopyName(id, blockId);
    for (std::size_t i = 0; i < m_Blocks.size(); ++i)
        if (std::strcmp(m_Blocks[i].id, id) == 0) return int(i);
    return -1;
}

int CHTMLObject::BlockOfElement(int element) const
{
    int found = -1;
    for (std::size_t i = 0; i < m_Blocks.size(); ++i)
        if (m_Blocks[i].first <= element && element <= m_Blocks[i].last) found = int(i);
    return found;
}

void CHTMLObject::DelBlock(const char* blockId, bool fromHere)
{
    XTRACE("CHTMLObject::DelBlock");
    if (!blockId || m_Blocks.empty() || m_iStrNum == 0) return;
    m_iLastSelected = -1;
    m_iHovered = -1;

    if (fromHere)
    {
        XTRACE("Delele all blocks");
        const int b = FindBlock(blockId);
        if (b < 0) return;
        m_iStrNum = std::min(m_iStrNum, std::max(0, m_Blocks[std::size_t(b)].first));
        m_Blocks.resize(std::size_t(b));
        return;
    }

    for (int b = FindBlock(blockId); b >= 0; b = FindBlock(blockId))
    {
        XTRACE("DeleteBlock");
        const SHTMLBlock block = m_Blocks[std::size_t(b)];
        if (std::size_t(b) + 1 == m_Blocks.size())
        {
            m_iStrNum = std::min(m_iStrNum, std::max(0, block.first));
            m_Blocks.pop_back();
            continue;
        }
        const int removed = std::max(0, block.last - block.first + 1);
        // The gap the block leaves on the screen: from its first shown
        // element to the next shown element after it (0 for a block
        // already folded away).
        int height = 0;
        int ownTop = -1;
        for (int i = block.first; i <= block.last && ownTop < 0; ++i)
            if (m_Elements[i].Visible) ownTop = i;
        int nextTop = -1;
        for (int i = block.last + 1; i < m_iStrNum && nextTop < 0; ++i)
            if (m_Elements[i].Visible) nextTop = i;
        if (ownTop >= 0 && nextTop >= 0) height = m_Elements[nextTop].Top - m_Elements[ownTop].Top;

        if (removed > 0)
        {
            for (int i = block.last + 1; i < m_iStrNum; ++i)
            {
                SHTMLElement& to = m_Elements[i - removed];
                to = std::move(m_Elements[i]);
                to.Top -= height;
                to.Bottom -= height;
            }
            m_iStrNum -= removed;
        }
        m_Blocks.erase(m_Blocks.begin() + b);
        for (std::size_t k = std::size_t(b); k < m_Blocks.size(); ++k)
        {
            m_Blocks[k].first -= removed;
            m_Blocks[k].last -= removed;
        }
        if (height != 0) Scroll(-height);
    }
}

bool CHTMLObject::ReplaceTextInBlock(const char* blockId, const char* text)
{
    XTRACE("CHTMLObject::ReplaceTextInBlock");
    const int b = FindBlock(blockId);
    if (b < 0) return false;
    const SHTMLBlock& block = m_Blocks[std::size_t(b)];
    if (block.first >= m_iStrNum || block.last < block.first) return true;
    const std::string value = text ? text : "";
    int from = block.first;
    int x = m_Rect[0];
    if (m_Elements[from].Kind == "icon")
    {
        x = m_Elements[from].Right;
        ++from;
    }
    for (int i = from; i <= block.last; ++i)
    {
        SHTMLElement& e = m_Elements[i];
        e.Left = x;
        e.Right = m_Rect[2];
        e.LineEnd = 1;
        if (value.rfind("<reference:", 0) == 0)
        {
            const std::string arg = value.substr(11);
            const std::size_t eq = arg.find('=');
            const std::string target = eq == std::string::npos ? std::string() : arg.substr(eq + 1);
            e.Kind = target.empty() ? target : target.substr(0, target.size() - 1);
            e.Text = arg.substr(0, eq);
        }
        else
        {
            e.Kind.clear();
            e.Text = value;
        }
    }
    Alignment(from);
    return true;
}

bool CHTMLObject::ReplaceBlockColor(const char* blockId, std::uint32_t colour)
{
    XTRACE("CHTMLObject::ReplaceBlockColor");
    if (!blockId) return false;
    char id[32];
    CopyName(id, blockId);
    for (int i = 0; i < m_iStrNum; ++i)
    {
        SHTMLElement& e = m_Elements[i];
        if (e.Kind.empty()) continue;
        e.Color = std::strcmp(e.BlockID, id) == 0 ? colour : m_SecondLinkColor;
    }
    return false;
}

void CHTMLObject::SetCollapsed(int element, bool collapse)
{
    const int b = BlockOfElement(element);
    if (b < 0) return;
    int first, last;
    if (std::size_t(b) + 1 < m_Blocks.size())
    {
        first = m_Blocks[std::size_t(b) + 1].first;
        last = m_Blocks[std::size_t(b) + 1].last;
    }
    else
        first = last = m_Blocks[std::size_t(b)].last;
    if (first > last || first < 0 || last >= m_iStrNum) return;
    int bottom = m_Elements[first].Bottom;
    for (int i = first; i <= last; ++i)
    {
        m_Elements[i].Visible = collapse ? 0 : 1;
        bottom = std::max(bottom, m_Elements[i].Bottom);
    }
    const int height = bottom - m_Elements[first].Top;
    const int shift = collapse ? -height : height;
    for (int i = last + 1; i < m_iStrNum; ++i)
    {
        m_Elements[i].Top += shift;
        m_Elements[i].Bottom += shift;
    }
}

void CHTMLObject::CollapseBlock(const char* blockId, bool collapse)
{
    XTRACE("CMHTLWindow::CollapseBlock");
    const int b = FindBlock(blockId);
    if (b < 0) return;
    const int first = m_Blocks[std::size_t(b)].first;
    if (first >= m_iStrNum || first > m_Blocks[std::size_t(b)].last) return;
    SHTMLElement& e = m_Elements[first];
    if (e.Kind == "icon")
    {
        if (e.Text == "MINUS" && collapse)
        {
            e.Text = "PLUS";
            SetCollapsed(first, true);
        }
        else if (e.Text == "PLUS" && !collapse)
        {
            e.Text = "MINUS";
            SetCollapsed(first, false);
        }
    }
    else
        SetCollapsed(first, collapse);
}

void CHTMLObject::CollapseAll(bool collapse)
{
    for (std::size_t b = 0; b < m_Blocks.size(); b += 2)
        if (m_Blocks[b].first < m_iStrNum) SetCollapsed(m_Blocks[b].first, collapse);
}

int CHTMLObject::IsScroll(int d)
{
    XTRACE("CHTMLObject::IsScroll");
    if (m_iStrNum == 0) return 0;
    const int B = GetContentBottom();
    const int T = m_Rect[1];
    const int E = m_Rect[3];
    const int F = m_Elements[0].Top;
    if (m_bLineScroll && B > T && F <= T)
    {
        const int line = GetTextHeight(m_Elements[0].Font);
        int amount;
        if (B - d < T)
            amount = B - T - line;
        else if (F - d >= T)
            amount = F - T;
        else
            amount = d;
        if (B - amount <= T && amount >= 1) amount -= line;
        return amount;
    }
    if (d > 0 && B > E) return B - d < E ? B - E : d;
    if (d >= 0) return 0;
    if (F >= T) return 0;
    if (F - d >= T) return F - T;
    return d;
}

bool CHTMLObject::Scroll(int pixels)
{
    XTRACE("CHTMLObject::Scroll");
    if (m_iStrNum == 0) return false;
    const int amount = IsScroll(pixels);
    if (amount == 0) return false;
    for (int i = 0; i < m_iStrNum; ++i)
    {
        m_Elements[i].Top -= amount;
        m_Elements[i].Bottom -= amount;
    }
    return true;
}

bool CHTMLObject::ScrollToBlock(const char* blockId, bool testOnly)
{
    const int b = FindBlock(blockId);
    if (b < 0) return false;
    if (testOnly) return true;
    const SHTMLBlock& block = m_Blocks[std::size_t(b)];
    if (block.first >= m_iStrNum || m_iStrNum == 0) return true;
    int shift = m_Elements[block.first].Top - m_Rect[1];
    const int lastBottom = m_Elements[m_iStrNum - 1].Bottom;
    if (lastBottom + 20 > m_Rect[3] && lastBottom - shift < m_Rect[3])
    {
        const int end = std::clamp(m_Blocks.back().last, 0, m_iStrNum - 1);
        shift = m_Elements[end].Bottom - m_Rect[3];
    }
    int bottom = m_Rect[1];
    for (int i = 0; i < m_iStrNum; ++i)
    {
        m_Elements[i].Top -= shift;
        m_Elements[i].Bottom -= shift;
        bottom = std::max(bottom, m_Elements[i].Bottom);
    }
    m_iPenY = bottom;
    return true;
}

int CHTMLObject::GetBlockHeight(int index, bool visibleOnly)
{
    if (index < 0 || std::size_t(index) >= m_Blocks.size()) return 0;
    const SHTMLBlock& b = m_Blocks[std::size_t(index)];
    if (b.first < 0 || b.last < b.first || b.last >= m_iStrNum) return 0;
    int end = b.last;
    if (visibleOnly)
    {
        end = b.first;
        for (int i = b.first + 1; i <= b.last; ++i)
            if (m_Elements[i].Visible) end = i;
    }
    return m_Elements[end].Bottom - m_Elements[b.first].Top;
}

int CHTMLObject::GetBlockHeight(const char* blockId, bool visibleOnly)
{
    return GetBlockHeight(FindBlock(blockId), visibleOnly);
}

void CHTMLObject::GetScrollRange(int* total, int* page, int* position, bool visibleOnly)
{
    *page = m_Rect[3] - m_Rect[1];
    *position = m_iStrNum > 0 ? m_Rect[1] - m_Elements[0].Top : 0;
    if (visibleOnly)
    {
        int sum = 0;
        for (int b = 0; b < GetBlockCount(); ++b)
            sum += GetBlockHeight(b, true);
        *total = sum;
    }
    else
        *total = m_iStrNum > 0 ? m_Elements[m_iStrNum - 1].Bottom - m_Elements[0].Top : 0;
}

void CHTMLObject::MouseMove(int x, int y)
{
    XTRACE("CHTMLObject::MouseMove");
    m_iHovered = -1;
    for (int i = 0; i < m_iStrNum; ++i)
    {
        const SHTMLElement& e = m_Elements[i];
        if (Hits(e, x, y) && !e.Kind.empty() && !IsImageOrIcon(e.Kind))
        {
            m_iHovered = i;
            return;
        }
    }
}

bool CHTMLObject::GetRef(int x, int y, std::string& target, int* element)
{
    XTRACE("CHTMLObject::GetRef");
    for (int i = 0; i < m_iStrNum; ++i)
    {
        const SHTMLElement& e = m_Elements[i];
        if (!e.Visible || !Hits(e, x, y)) continue;
        std::memcpy(m_szCurBlockID, e.BlockID, sizeof m_szCurBlockID);
        if (e.Kind == "icon")
        {
            if (!m_bIconsClickable) continue;
            target.clear();
            if (element) *element = i;
            return true;
        }
        if (!e.Kind.empty() && !IsImageOrIcon(e.Kind))
        {
            target = e.Kind;
            if (element) *element = i;
            return true;
        }
    }
    return false;
}

void CHTMLObject::Recolour(const std::string& target, std::uint32_t colour, int from)
{
    // The element and its neighbours with the same target (the pieces of
    // one wrapped link).
    if (from < 0 || from >= m_iStrNum) return;
    for (int i = from; i >= 0 && m_Elements[i].Kind == target; --i)
        m_Elements[i].Color = colour;
    for (int i = from + 1; i < m_iStrNum && m_Elements[i].Kind == target; ++i)
        m_Elements[i].Color = colour;
}

bool CHTMLObject::SelRef(std::string& target, int start, int direction, int ordinal)
{
    XTRACE("CHTMLObject::SelRef");
    int from = 0, to = m_iStrNum, step = 1;
    if (target.empty() && start >= 0 && start < m_iStrNum)
    {
        from = start;
        to = start + 1;
    }
    else if (direction == 1)
    {
        from = m_iStrNum - 1;
        to = -1;
        step = -1;
    }

    int count = 0;
    int previous = -2;
    for (int i = from; i != to; i += step)
    {
        SHTMLElement& e = m_Elements[i];
        bool candidate = false;
        if (e.Visible)
        {
            if (target.empty())
                candidate = e.Type == SHTMLElement::kLink || (start != -1 && e.Type == SHTMLElement::kIcon);
            else
                candidate = e.Kind == target;
        }
        if (!candidate) continue;
        // The pieces of one link split by wrapping count once: they follow
        // each other with the same block and the same target.
        const bool continues = previous >= 0 && i == previous + step &&
                               std::strcmp(m_Elements[previous].BlockID, e.BlockID) == 0 &&
                               m_Elements[previous].Kind == e.Kind;
        previous = i;
        if (continues) continue;
        if (++count != ordinal) continue;

        std::memcpy(m_szCurBlockID, e.BlockID, sizeof m_szCurBlockID);
        if (e.Kind == "icon")
        {
            if (!m_bIconsClickable) return false;
            if (e.Text == "MINUS")
            {
                e.Text = "PLUS";
                SetCollapsed(i, true);
            }
            else if (e.Text == "PLUS")
            {
                e.Text = "MINUS";
                SetCollapsed(i, false);
            }
            return true;
        }
        if (e.Kind.empty() || IsImageOrIcon(e.Kind)) return false;
        if (target.empty() && e.Type == SHTMLElement::kLink) target = e.Kind;
        bool result = true;
        const std::string chosen = e.Kind;
        if (m_bUseLinkColors)
        {
            for (int k = 0; k < m_iStrNum; ++k)
            {
                if (m_Elements[k].Kind != chosen) continue;
                if (m_Elements[k].Color == m_VisitedColor) result = false;
                m_Elements[k].Color = m_VisitedColor;
            }
        }
        if (m_bMarkSelected)
        {
            if (m_iLastSelected >= 0 && m_iLastSelected < m_iStrNum)
                Recolour(m_Elements[m_iLastSelected].Kind, m_VisitedColor, m_iLastSelected);
            Recolour(chosen, m_SelectedColor, i);
        }
        m_iLastSelected = i;
        return result;
    }
    return false;
}

void CHTMLObject::SetColors(std::uint32_t normal, std::uint32_t secondLink, std::uint32_t visited,
                            std::uint32_t hover, std::uint32_t firstLink, std::uint32_t selected)
{
    m_NormalColor = normal;
    m_SecondLinkColor = secondLink;
    m_VisitedColor = visited;
    m_HoverColor = hover;
    m_FirstLinkColor = firstLink;
    m_SelectedColor = selected;
}

void CHTMLObject::SetOptions(bool markSelected, bool iconsClickable, bool lineScroll)
{
    m_bMarkSelected = markSelected;
    m_bIconsClickable = iconsClickable;
    m_bLineScroll = lineScroll;
}

void CHTMLObject::SetBlockData(const char* blockId, std::uintptr_t value)
{
    const int b = FindBlock(blockId);
    if (b >= 0) m_Blocks[std::size_t(b)].userValue = value;
}

std::uintptr_t CHTMLObject::GetBlockData(const char* blockId) const
{
    const int b = FindBlock(blockId);
    return b >= 0 ? m_Blocks[std::size_t(b)].userValue : 0;
}

int CHTMLObject::GetContentBottom() const
{
    int bottom = m_Rect[1];
    for (int i = 0; i < m_iStrNum; ++i)
        if (m_Elements[i].Visible) bottom = std::max(bottom, m_Elements[i].Bottom);
    return bottom;
}

int CHTMLObject::GetContentTop() const
{
    int top = m_Rect[3];
    for (int i = 0; i < m_iStrNum; ++i)
        if (m_Elements[i].Visible) top = std::min(top, m_Elements[i].Top);
    return top;
}

void CHTMLObject::MoveTailAbove(int element)
{
    if (element < 0 || element >= m_iStrNum) return;
    int least = m_Elements[0].Top;
    for (int i = 0; i < element; ++i)
        least = std::min(least, m_Elements[i].Top);
    int greatest = m_Elements[element].Bottom;
    for (int i = element; i < m_iStrNum; ++i)
        greatest = std::max(greatest, m_Elements[i].Bottom);
    const int shift = least - greatest;
    for (int i = element; i < m_iStrNum; ++i)
    {
        m_Elements[i].Top += shift;
        m_Elements[i].Bottom += shift;
    }
}
