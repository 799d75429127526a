// The markup document and its text-output base.
//
// CMMHtmlWindow answers the measuring questions of the parser (line height,
// text width) and draws one text element; it measures and draws through an
// IGraphicInterface (font 1 is the big font, every other number the small
// one), so tests can hand it a recorder with fixed metrics.
//
// CHTMLObject holds laid-out markup as a flat table of at most 4096
// positioned elements grouped into named blocks. AddText parses one piece of
// markup into a new block (the parser and the line wrapper are in
// HTMLParser.cpp); the document scrolls by moving its elements, collapses
// and expands blocks, finds the link under a point, selects links from the
// keyboard and recolours links (HTMLObject.cpp). Drawing, the icon table and
// the ten-entry image cache are in HTMLRender.cpp.
//
// The markup: 8-bit text (code page 1251) whose tags stand between "<" and
// ">": icon, iconscale, br, p, color, font, halign=right, /halign, a href,
// a link, reference, link, image, object; anything else is text.
//
// Invariants: blocks lie in element order and do not overlap; element
// coordinates are screen pixels; there are never more than 4096 elements,
// however much text one AddText brings (the parser stops at a full table).
//
// Ownership: the document owns its elements, blocks and cached image
// textures; the graphic interface is borrowed.
// Threads: main thread only.
#pragma once

#include "foundation/GuidKey.h"
#include "ui/markup/HTMLImageCache.h"

#include <cstdint>
#include <string>
#include <vector>

class IGraphicInterface;

// One laid-out element.
struct SHTMLElement
{
    enum EType : std::int32_t
    {
        kIcon = 1,
        kText = 2,
        kImage = 3,
        kObject = 4,
        kLink = 5,
        kParagraph = 6,
    };

    std::string Kind; // "icon", "image", "object", a link's target, or empty
    std::string Text; // shown text, or the icon / image / object name
    char BlockID[32] = {};
    std::int32_t Type = 0;
    std::uint32_t Color = 0;
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    std::int32_t Font = 0;
    std::uint8_t Visible = 0;
    std::uint8_t LineEnd = 0;
};

// A named run of elements; blocks need not have distinct ids.
struct SHTMLBlock
{
    char id[32] = {};
    std::int32_t first = 0;
    std::int32_t last = -1; // first - 1 when the block is empty
    std::uintptr_t userValue = 0;
};

class CMMHtmlWindow
{
public:
    explicit CMMHtmlWindow(IGraphicInterface* graphic);
    virtual ~CMMHtmlWindow() = default;
    CMMHtmlWindow(const CMMHtmlWindow&) = delete;
    CMMHtmlWindow& operator=(const CMMHtmlWindow&) = delete;

    // Line height of the font at the text scale (cut toward zero).
    virtual int GetTextHeight(int font);
    // Width of the string in the font (the text scale is not applied).
    virtual int GetTextWidth(int font, const char* text);
    // One text element with its shadow, clipped to the document rectangle.
    virtual void RenderText(int left, int top, int right, int bottom, int font, const char* text,
                            std::uint32_t colour);
    // Text in font 0 or 1 without shadow or pulse; other fonts draw nothing.
    virtual void RenderTextEx(int x, int y, int font, const char* text, int width, std::uint32_t colour);

    IGraphicInterface* GetGraphic() const { return m_pGraphic; }
    void SetGraphic(IGraphicInterface* graphic) { m_pGraphic = graphic; }

    // The game time that link pulses and message ages read (the engine
    // clock unless a test sets its own).
    double GameTime() const;
    void SetGameTime(double seconds)
    {
        m_dGameTime = seconds;
        m_bOwnTime = true;
    }

    float m_fTextScale = 1.0f;
    float m_fFade = 1.0f;
    // The rectangle: left, top, right, bottom (owners move it with their
    // window; elements keep their places until the next text).
    std::int32_t m_Rect[4] = {};

protected:
    void SelectFont(int font);
    // The viewport to the rectangle, then back to the whole screen.
    void ClipTo(const std::int32_t rect[4]);
    void Unclip();

    IGraphicInterface* m_pGraphic = nullptr;
    double m_dGameTime = 0.0;
    bool m_bOwnTime = false;
};

class CHTMLObject : public CMMHtmlWindow
{
public:
    static constexpr int kMaxElements = 4096;
    // AddText refuses new text above this many elements in use.
    static constexpr int kAddTextLimit = 4076;
    static constexpr int kIdLength = 31;

    enum ENamedColour
    {
        kRed,
        kGreen,
        kBlue,
        kWhite,
        kMagenta,
        kCyan,
        kYellow,
        kOrange,
        kViolet,
        kNamedColours
    };

    CHTMLObject(int left, int top, int right, int bottom, IGraphicInterface* graphic);
    ~CHTMLObject() override;

    // ---- text and blocks ----
    void AddText(const char* text, const char* blockId, const char* linkPrefix, bool newLine);
    void Clear();
    void DelBlock(const char* blockId, bool fromHere);
    bool ReplaceTextInBlock(const char* blockId, const char* text);
    bool ReplaceBlockColor(const char* blockId, std::uint32_t colour);
    void CollapseBlock(const char* blockId, bool collapse);
    void SetCollapsed(int element, bool collapse);
    void CollapseAll(bool collapse);

    // ---- scrolling ----
    bool Scroll(int pixels);
    int IsScroll(int pixels);
    bool ScrollToBlock(const char* blockId, bool testOnly);
    void GetScrollRange(int* total, int* page, int* position, bool visibleOnly);
    int GetBlockHeight(int blockIndex, bool visibleOnly);
    int GetBlockHeight(const char* blockId, bool visibleOnly);

    // ---- links ----
    void MouseMove(int x, int y);
    bool GetRef(int x, int y, std::string& target, int* element);
    bool SelRef(std::string& target, int start, int direction, int ordinal);
    void SetColors(std::uint32_t normal, std::uint32_t secondLink, std::uint32_t visited, std::uint32_t hover,
                   std::uint32_t firstLink, std::uint32_t selected);
    void SetOptions(bool markSelected, bool iconsClickable, bool lineScroll);

    // ---- block data and figures ----
    void SetBlockData(const char* blockId, std::uintptr_t value);
    std::uintptr_t GetBlockData(const char* blockId) const;
    const SHTMLBlock* GetBlocks() const { return m_Blocks.empty() ? nullptr : m_Blocks.data(); }
    int GetBlockCount() const { return int(m_Blocks.size()); }
    const char* GetCurrentBlockID() const { return m_szCurBlockID; }
    int GetContentBottom() const;
    int GetContentTop() const;
    const SHTMLBlock* GetLastBlock() const { return m_Blocks.empty() ? nullptr : &m_Blocks.back(); }
    void MoveTailAbove(int element);
    // Index of the first block with the id, or -1.
    int FindBlock(const char* blockId) const;

    // ---- drawing and measuring (HTMLRender.cpp) ----
    virtual void RenderImage(const std::int32_t element[4], const std::int32_t visible[4], const char* name);
    virtual void RenderObject(const std::int32_t*, const std::int32_t*, const char*) {}
    virtual void RenderModel(const std::int32_t element[4], const std::int32_t visible[4], int model);
    virtual void RenderIcon(const std::int32_t element[4], const char* name);
    virtual void GetObjectSize(const char*, int* w, int* h) { *w = *h = 0; }
    virtual void GetIconSize(const char* name, int* w, int* h);
    virtual void GetImageSize(const char* name, int* w, int* h);
    virtual void Render();
    // Per-frame hook; nothing here.
    virtual void OnFrame(float) {}

    // The model of that name in the model manager, or -1.
    virtual int FindModel(const char* name) const;
    // The cache record of a picture of "Data\Images\", or null.
    const SHTMLImage* GetImageData(const char* fileName) { return m_Images.Get(fileName, GameTime()); }
    CHTMLImageCache& Images() { return m_Images; }

    // The texel place of an icon in the interface texture ({0, 0} when the
    // name has none).
    static void IconPlace(const char* name, int* x, int* y);

    // ---- state (read by windows, the console control and tests) ----
    std::uint32_t m_NamedColours[kNamedColours] = {};
    std::uint32_t m_NormalColor = 0xFFFFFF00;
    std::uint32_t m_CurColor = 0xFFFFFF00;
    std::uint32_t m_FirstLinkColor = 0xFF00FFFF;
    std::uint32_t m_SecondLinkColor = 0xFF0000FF;
    std::uint32_t m_VisitedColor = 0xFFFF0000;
    std::uint32_t m_HoverColor = 0xFF00FF00;
    std::uint32_t m_SelectedColor = 0xFFFF00FF;
    int m_iLastSelected = -1;
    char m_szCurBlockID[32] = {};
    std::uint8_t m_bMarkSelected = 0;
    std::uint8_t m_bLineScroll = 0;
    std::string m_sLinkPrefix;
    int m_iStrNum = 0; // elements in use
    int m_iWrapLimit = 0;
    int m_iFloatBottom = 0;
    int m_iLeftIndent = 0;
    int m_iHovered = -1;
    int m_iImageThreshold = 0;
    std::uint8_t m_bContinueAtPen = 0;
    std::vector<SHTMLBlock> m_Blocks;
    std::vector<SHTMLElement> m_Elements; // always kMaxElements records
    int m_iPenX = 0;
    int m_iPenY = 0;
    CGuidKey m_TexUI1;
    CGuidKey m_TexUII;
    std::uint8_t m_bWholeLinesOnly = 0;
    std::uint8_t m_bIconsClickable = 1;
    std::uint8_t m_bUseLinkColors = 1;

protected:
    // The parser (HTMLParser.cpp).
    void Parser(std::string text);
    void Carrying(int element);
    void Alignment(int start);
    // The slot at m_iStrNum made ready to fill; false (logged once per
    // parse) when the table is full.
    bool OpenSlot();
    void PlaceElement(SHTMLElement& e);
    // The block holding element i (the last such), or -1.
    int BlockOfElement(int element) const;
    void Recolour(const std::string& target, std::uint32_t colour, int from);
    // A picture's visible part: screen rectangle and source rectangle
    // (left, top, right, bottom in the picture's pixels).
    virtual void DrawImageQuad(const SHTMLImage& image, const std::int32_t screen[4],
                               const std::int32_t source[4]);
    // Index of the block being drawn while Render walks the elements.
    int m_iRenderBlock = -1;

    // Parser state beyond the members above.
    int m_iCurFont = 0;
    bool m_bRightAlign = false;
    std::string m_sPending;
    bool m_bTableFullLogged = false;

    CHTMLImageCache m_Images;
};

// The message panel's document: lines fade with the age of their message
// and vanish after 20 seconds while fading is on (the game not paused).
// Each block's user value points to a message record whose time field (a
// float after the 32-character id) is the posting time.
class CHTMLObjectView : public CHTMLObject
{
public:
    using CHTMLObject::CHTMLObject;

    void RenderText(int left, int top, int right, int bottom, int font, const char* text,
                    std::uint32_t colour) override;

    int m_iExpiredLines = 0;
    int m_iLastLineTop = 0;
    std::uint8_t m_bFading = 1;
};

// The message record that the panel's blocks point to.
struct SMessageRecord
{
    char id[32];
    float time;
};
static_assert(sizeof(SMessageRecord) == 36);
