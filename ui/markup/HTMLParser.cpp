// The markup parser and the line wrapper: one pass that cuts the text into
// tokens at "<" and ">" and lays each one out at the pen.
#include "ui/markup/HTMLObject.h"

#include "foundation/ErrorLog.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace
{
// Case-insensitive comparison of the first n characters (the token must
// have at least n).
bool HasPrefix(const std::string& token, const char* word)
{
    const std::size_t n = std::strlen(word);
    return token.size() >= n && strncasecmp(token.c_str(), word, n) == 0;
}

bool IsWhole(const std::string& token, const char* word)
{
    return strcasecmp(token.c_str(), word) == 0;
}

// The argument after the tag word and one separator character.
std::string After(const std::string& token, std::size_t n)
{
    return token.size() > n ? token.substr(n) : std::string();
}

// Cuts the text into maximal runs holding neither "<" nor ">".
class CTokenizer
{
public:
    explicit CTokenizer(const std::string& text, std::size_t from = 0) : m_Text(text), m_nPos(from) {}

    bool Next(std::string& token)
    {
        while (m_nPos < m_Text.size() && IsDelimiter(m_Text[m_nPos]))
            ++m_nPos;
        if (m_nPos >= m_Text.size()) return false;
        const std::size_t start = m_nPos;
        while (m_nPos < m_Text.size() && !IsDelimiter(m_Text[m_nPos]))
            ++m_nPos;
        token = m_Text.substr(start, m_nPos - start);
        return true;
    }
    // The rest of the input up to the next "<", without its first
    // character; the position moves to that "<".
    std::string TakeUntilOpen()
    {
        const std::size_t open = std::min(m_Text.find('<', m_nPos), m_Text.size());
        std::string text = open > m_nPos + 1 ? m_Text.substr(m_nPos + 1, open - m_nPos - 1) : std::string();
        m_nPos = open;
        return text;
    }
    std::size_t Position() const { return m_nPos; }

private:
    static bool IsDelimiter(char c) { return c == '<' || c == '>'; }
    const std::string& m_Text;
    std::size_t m_nPos;
};

std::uint32_t ParseHex6(const std::string& spec)
{
    char* end = nullptr;
    return std::uint32_t(std::strtoul(spec.c_str(), &end, 16));
}

// Tags that make an element or end a line.
bool IsElementTag(const std::string& t)
{
    if (HasPrefix(t, "color") || HasPrefix(t, "font") || HasPrefix(t, "/a")) return false;
    return HasPrefix(t, "icon") || IsWhole(t, "br") || IsWhole(t, "p") || HasPrefix(t, "halign=right") ||
           HasPrefix(t, "/halign") || HasPrefix(t, "a href=") || HasPrefix(t, "a link=") ||
           HasPrefix(t, "reference") || HasPrefix(t, "link") || HasPrefix(t, "image") ||
           HasPrefix(t, "object");
}

constexpr const char* kColourNames[CHTMLObject::kNamedColours] = {
    "red", "green", "blue", "white", "magenta", "cyan", "yellow", "orange", "violet"};
} // namespace

bool CHTMLObject::OpenSlot()
{
    if (m_iStrNum >= kMaxElements)
    {
        // One text can bring far more elements than the check in AddText
        // leaves room for; what does not fit is dropped, never written.
        if (!m_bTableFullLogged)
            g_ErrorLog.LogError("CHTMLObject::Parser element table full (%d), the rest of block '%s' dropped",
                                kMaxElements, m_szCurBlockID);
        m_bTableFullLogged = true;
        return false;
    }
    SHTMLElement& e = m_Elements[m_iStrNum];
    e = SHTMLElement{};
    e.LineEnd = 1;
    e.Font = m_iCurFont;
    return true;
}

void CHTMLObject::PlaceElement(SHTMLElement& e)
{
    e.Font = m_iCurFont;
    e.Visible = 1;
    std::memcpy(e.BlockID, m_szCurBlockID, sizeof e.BlockID);
    ++m_iStrNum;
}

void CHTMLObject::Parser(std::string text)
{
    XTRACE("CHTMLObject::Parser");
    if (text.empty()) return;
    m_iCurFont = 0;
    m_iLeftIndent = 0;
    m_bRightAlign = false;
    m_sPending.clear();
    m_CurColor = m_NormalColor;
    m_bTableFullLogged = false;

    const int left = m_Rect[0], right = m_Rect[2];
    // The element being filled in right-align mode has text.
    bool rightOpen = false;
    auto closeRight = [&]
    {
        if (rightOpen) PlaceElement(m_Elements[m_iStrNum]);
        rightOpen = false;
    };

    CTokenizer tokens(text);
    std::string token;
    bool have = text.size() == 1 ? (token = text, true) : tokens.Next(token);
    bool single = text.size() == 1;
    while (have)
    {
        try
        {
            // A tag that makes an element of its own ends the right-aligned
            // line being filled, so that it never writes over it.
            if (rightOpen && IsElementTag(token)) closeRight();
            if (!rightOpen && !OpenSlot()) break;
            const int lh = GetTextHeight(m_iCurFont);
            SHTMLElement& e = m_Elements[m_iStrNum];

            if (HasPrefix(token, "iconscale"))
            {
                e.Type = SHTMLElement::kIcon;
                e.Kind = "icon";
                e.Text = After(token, 10);
                e.Color = m_CurColor;
                e.Left = left;
                e.Top = m_iPenY;
                e.Right = left + lh;
                e.Bottom = m_iPenY + lh;
                PlaceElement(e);
                m_iPenX = left + lh + 3;
            }
            else if (HasPrefix(token, "icon"))
            {
                e.Type = SHTMLElement::kIcon;
                e.Kind = "icon";
                e.Text = After(token, 5);
                int w = 0, h = 0;
                GetIconSize(e.Text.c_str(), &w, &h);
                e.Color = m_CurColor;
                e.Left = left;
                e.Top = m_iPenY;
                e.Right = left + w;
                e.Bottom = m_iPenY + h;
                PlaceElement(e);
                m_iFloatBottom = m_iPenY + h;
                m_iWrapLimit = right - w - 5;
                m_iLeftIndent = w;
                m_iPenX = left + w + 3;
            }
            else if (IsWhole(token, "br"))
            {
                // Text right-aligned so far keeps its element.
                closeRight();
                m_bRightAlign = false;
                if (m_iStrNum < kMaxElements) m_Elements[m_iStrNum].Font = m_iCurFont;
                if (m_iStrNum > 0) m_Elements[m_iStrNum - 1].LineEnd = 1;
                m_iPenY += lh;
                m_iPenX = left + m_iLeftIndent;
            }
            else if (IsWhole(token, "p"))
            {
                e.Type = SHTMLElement::kParagraph;
                e.Text = " ";
                e.Color = m_NormalColor;
                e.Left = m_iPenX;
                e.Right = m_iPenX + 1;
                e.Top = m_iPenY;
                if (m_iStrNum > 0) m_Elements[m_iStrNum - 1].LineEnd = 0;
                m_iPenY = m_iPenY + int(1.5 * double(lh));
                e.Bottom = m_iPenY;
                PlaceElement(e);
                m_iPenX = left;
            }
            else if (HasPrefix(token, "color"))
            {
                std::uint32_t colour = m_NormalColor;
                if (token.size() > 5)
                {
                    const std::string spec = After(token, 6);
                    std::uint32_t value = spec.size() == 6 ? ParseHex6(spec) : 0;
                    if (value == 0)
                    {
                        value = m_NormalColor;
                        for (int i = 0; i < kNamedColours; ++i)
                            if (spec == kColourNames[i]) value = m_NamedColours[i];
                    }
                    colour = value;
                }
                if (m_bRightAlign && rightOpen && colour != e.Color)
                {
                    closeRight();
                    if (!OpenSlot()) break;
                }
                m_CurColor = colour;
            }
            else if (HasPrefix(token, "font"))
            {
                // Any number is passed on (every font but 1 draws small);
                // one too large for an int is clamped rather than wrapped.
                const long font = token.size() < 6 ? 0 : std::strtol(After(token, 5).c_str(), nullptr, 10);
                m_iCurFont = int(std::clamp<long>(font, INT32_MIN, INT32_MAX));
            }
            else if (HasPrefix(token, "halign=right"))
            {
                closeRight();
                if (!OpenSlot()) break;
                m_bRightAlign = true;
                m_sPending.clear();
                CTokenizer ahead(text, tokens.Position());
                std::string t;
                while (ahead.Next(t) && !HasPrefix(t, "/halign"))
                    if (!HasPrefix(t, "font") && !HasPrefix(t, "color")) m_sPending += t;
                if (m_iPenX > m_iWrapLimit - GetTextWidth(m_iCurFont, m_sPending.c_str()))
                {
                    m_iPenY += lh;
                    if (m_iStrNum > 0) m_Elements[m_iStrNum - 1].LineEnd = 1;
                }
            }
            else if (HasPrefix(token, "/halign"))
            {
                m_bRightAlign = false;
                closeRight();
                m_iPenX = left;
                m_iPenY += lh;
                m_sPending.clear();
            }
            else if (HasPrefix(token, "/a"))
            {
            }
            else if (HasPrefix(token, "a href=") || HasPrefix(token, "a link="))
            {
                const bool second = HasPrefix(token, "a href=");
                e.Type = SHTMLElement::kLink;
                e.Kind = m_sLinkPrefix + After(token, 7);
                e.Text = tokens.TakeUntilOpen();
                e.Color = m_bUseLinkColors ? (second ? m_SecondLinkColor : m_FirstLinkColor) : m_CurColor;
                e.Left = m_iPenX;
                e.Top = m_iPenY;
                e.Bottom = m_iPenY + lh;
                e.Right = e.Left + GetTextWidth(m_iCurFont, e.Text.c_str());
                PlaceElement(e);
                if (e.Right >= m_iWrapLimit)
                    Carrying(m_iStrNum - 1);
                else
                    m_iPenX = e.Right;
                // The token after the link text (normally "/a") goes unseen.
                std::string skipped;
                tokens.Next(skipped);
            }
            else if (HasPrefix(token, "reference") || HasPrefix(token, "link"))
            {
                const bool second = HasPrefix(token, "reference");
                const std::string arg = After(token, second ? 10 : 5);
                const std::size_t eq = arg.find('=');
                // Without "=" there is no target to split off: the tag is
                // refused rather than guessed at.
                if (eq != std::string::npos)
                {
                    e.Type = SHTMLElement::kLink;
                    e.Text = arg.substr(0, eq);
                    e.Kind = m_sLinkPrefix + arg.substr(eq + 1);
                    e.Color = m_bUseLinkColors ? (second ? m_SecondLinkColor : m_FirstLinkColor) : m_CurColor;
                    e.Left = m_iPenX;
                    e.Top = m_iPenY;
                    e.Bottom = m_iPenY + lh;
                    e.Right = e.Left + GetTextWidth(m_iCurFont, e.Text.c_str());
                    PlaceElement(e);
                    if (e.Right >= m_iWrapLimit)
                        Carrying(m_iStrNum - 1);
                    else
                        m_iPenX = e.Right;
                }
            }
            else if (HasPrefix(token, "image") || HasPrefix(token, "object"))
            {
                const bool image = HasPrefix(token, "image");
                e.Type = image ? SHTMLElement::kImage : SHTMLElement::kObject;
                e.Kind = image ? "image" : "object";
                e.Text = After(token, image ? 6 : 7);
                int w = 0, h = 0;
                if (image)
                    GetImageSize(e.Text.c_str(), &w, &h);
                else
                    GetObjectSize(e.Text.c_str(), &w, &h);
                e.Color = m_CurColor;
                m_iWrapLimit = right - w - 6;
                if (w < m_iImageThreshold)
                {
                    e.Left = right - w;
                    e.Right = right;
                    e.Top = m_iPenY;
                    e.Bottom = m_iPenY + h;
                    m_iFloatBottom = m_iPenY + h;
                }
                else
                {
                    e.Left = left + ((right - left) / 2 - w / 2);
                    e.Right = e.Left + w;
                    e.Top = m_iPenY + lh;
                    m_iPenY = m_iPenY + h + lh;
                    m_iFloatBottom = m_iPenY;
                    e.Bottom = m_iPenY;
                    m_iWrapLimit = right;
                    m_iPenX = left;
                }
                PlaceElement(e);
            }
            else if (m_bRightAlign)
            {
                if (!rightOpen)
                {
                    e.Type = SHTMLElement::kText;
                    e.Color = m_CurColor;
                    e.Font = m_iCurFont;
                    e.Visible = 1;
                    std::memcpy(e.BlockID, m_szCurBlockID, sizeof e.BlockID);
                    // The line starts where the whole pending text ends at
                    // the right edge; later pieces extend it.
                    e.Left = right - GetTextWidth(m_iCurFont, m_sPending.c_str());
                    rightOpen = true;
                }
                e.Text += token;
                e.Right = right;
                e.Top = m_iPenY;
                e.Bottom = m_iPenY + lh;
                m_sPending.erase(0, std::min(m_sPending.size(), token.size()));
            }
            else
            {
                e.Type = SHTMLElement::kText;
                e.Text = token;
                e.Color = m_CurColor;
                e.Left = m_iPenX;
                e.Top = m_iPenY;
                e.Bottom = m_iPenY + lh;
                e.Right = e.Left + GetTextWidth(m_iCurFont, token.c_str()) + GetTextWidth(m_iCurFont, "A");
                PlaceElement(e);
                if (e.Right > m_iWrapLimit)
                    Carrying(m_iStrNum - 1);
                else
                    m_iPenX = e.Right;
            }
        }
        catch (...)
        {
            g_ErrorLog.LogError("ERROR: Html::Parser() %s", token.c_str());
            throw;
        }
        have = single ? false : tokens.Next(token);
    }
    // An unclosed right-aligned line keeps what it holds.
    closeRight();
    const int font = m_iStrNum < kMaxElements ? m_Elements[m_iStrNum].Font : m_iCurFont;
    m_iPenY += GetTextHeight(font);
}

void CHTMLObject::Carrying(int index)
{
    XTRACE("CHTMLObject::Carrying");
    const int left = m_Rect[0], right = m_Rect[2];
    const int docWidth = right - left;
    int current = index;
    for (;;)
    {
        SHTMLElement& e = m_Elements[current];
        int penX = left + m_iLeftIndent;
        const int penY = e.Bottom;

        m_iFloatBottom = m_Elements[0].Bottom;
        for (int i = 0; i < m_iStrNum; ++i)
            if (m_Elements[i].Kind == "image")
                m_iFloatBottom = std::max(m_iFloatBottom, m_Elements[i].Bottom + 8);
        if (e.Top >= m_iFloatBottom)
        {
            m_iWrapLimit = right;
            m_iLeftIndent = 0;
        }
        e.Right = m_iWrapLimit;
        e.LineEnd = 0;

        const int font = e.Font;
        const std::string text = e.Text;
        const int len = int(text.size());
        const int space = e.Right - e.Left;
        const int textWidth = GetTextWidth(font, text.c_str());
        int n = len;
        if (len > 0 && textWidth > 0)
        {
            const int average = std::max(1, textWidth / len);
            n = std::clamp(space / average, 0, len);
        }
        while (n > 0 && GetTextWidth(font, text.substr(0, std::size_t(n)).c_str()) > space)
            --n;

        std::size_t cut = std::string::npos; // the first character of the rest
        std::size_t keep = 0;                // characters element e keeps
        const std::size_t lastSpace = n > 1 ? text.rfind(' ', std::size_t(n) - 1) : std::string::npos;
        if (lastSpace != std::string::npos && lastSpace >= 1)
        {
            keep = lastSpace;
            cut = lastSpace + 1;
        }
        else if (textWidth > docWidth && len > 1)
        {
            // A glyph wider than the free width still leaves one character
            // behind, so every pass makes progress.
            keep = std::size_t(std::max(n, 1));
            cut = keep;
        }

        int next = current;
        if (cut != std::string::npos && cut >= text.size())
        {
            // Only a trailing blank passed the limit: the run keeps its line.
            e.Text = text.substr(0, keep);
            e.Right = e.Left + GetTextWidth(font, e.Text.c_str());
            m_iPenX = e.Right;
            return;
        }
        if (cut != std::string::npos && m_iStrNum < kMaxElements)
        {
            std::string head = text.substr(0, keep);
            if (e.Left == left && !head.empty() && head[0] == ' ') head.erase(0, 1);
            SHTMLElement& rest = m_Elements[m_iStrNum];
            rest = e;
            rest.Text = text.substr(cut);
            e.Text = head;
            next = m_iStrNum++;
        }
        else if (cut != std::string::npos)
        {
            // No slot for the rest of the run: the element keeps what fits.
            e.Text = text.substr(0, keep);
            return;
        }
        else
        {
            e.Left = left;
            e.Right = left + textWidth;
            const int lh = GetTextHeight(font);
            e.Top += lh;
            e.Bottom += lh;
        }

        SHTMLElement& placed = m_Elements[next];
        const int lh = GetTextHeight(placed.Font);
        placed.Left = penX;
        placed.Top = penY;
        placed.Right = penX + GetTextWidth(placed.Font, placed.Text.c_str());
        placed.Bottom = penY + lh;
        placed.Visible = 1;
        placed.LineEnd = 0;
        penX = placed.Right;
        m_iPenX = penX;
        m_iPenY = penY;
        if (placed.Right <= m_iWrapLimit) return;
        // A piece moved whole to a line where nothing narrows the width
        // fits: stop rather than move it down for ever.
        if (next == current && cut == std::string::npos && m_iWrapLimit == right && m_iLeftIndent == 0 &&
            placed.Left == left)
            return;
        current = next;
    }
}

void CHTMLObject::Alignment(int start)
{
    XTRACE("CHTMLObject::Alignment");
    const int spaceWidth = GetTextWidth(0, " ");
    int i = std::max(0, start);
    while (i < m_iStrNum)
    {
        const int top = m_Elements[i].Top;
        int end = i;
        while (end < m_iStrNum && m_Elements[end].Top == top)
            ++end;
        int texts = 0, spaces = 0, widths = 0, iconWidth = 0;
        for (int k = i; k < end; ++k)
        {
            SHTMLElement& e = m_Elements[k];
            if (e.Font < 0) e.Font = 0;
            if (e.Type == SHTMLElement::kText)
            {
                ++texts;
                spaces += int(std::count(e.Text.begin(), e.Text.end(), ' '));
                widths += GetTextWidth(e.Font, e.Text.c_str());
            }
            else if (e.Type == SHTMLElement::kIcon)
                iconWidth += e.Right - e.Left;
        }
        const SHTMLElement& first = m_Elements[i];
        int free = m_Rect[2] - first.Left - iconWidth;
        if (first.Type == SHTMLElement::kImage) free = first.Left - m_Rect[0];
        if (texts > 1 && m_Elements[end - 1].LineEnd == 0)
        {
            const double gap = double(free - widths) / double(texts - 1 + spaces);
            if (gap < double(spaceWidth + 20))
            {
                double x = first.Left;
                for (int k = i; k < end; ++k)
                {
                    SHTMLElement& e = m_Elements[k];
                    if (e.Type != SHTMLElement::kText) continue;
                    const int w = GetTextWidth(e.Font, e.Text.c_str());
                    const int n = int(std::count(e.Text.begin(), e.Text.end(), ' '));
                    e.Left = int(x);
                    e.Right = int(x + w + n * gap);
                    x = x + w + n * gap + gap;
                }
            }
        }
        i = end;
    }
}
