// CMessager: the on-screen message panel (g_pMessager), a band of text at
// the top of the screen in which game events and script messages appear,
// scroll up and vanish after 25 seconds. It is a menu holding one framed
// markup control (console off) over a message-panel document, plus a ring
// of 36-byte message records that gives every message its block id and its
// time of arrival; each block's user value points to its record so the
// document can fade a line by its age.
//
// A click on a link of the panel scrolls to that block when it is shown,
// else shows the text-database entry of the target, else hands the target
// to the mission script (IMessagerScript).
//
// Times: the engine clock through the document (tests set their own) and
// the frame time of the UI clock.
// Ownership: the panel owns its document and the ring; the control belongs
// to the menu's element list. The text database, the script link and the
// graphic interface are borrowed.
// Threads: main thread only.
#pragma once

#include "foundation/XString.h"
#include "ui/markup/HTMLObject.h"
#include "ui/menu/BaseMenu.h"

#include <cstdint>
#include <vector>

class CHtmlControl;
class ITextDB;
class IUIClock;

// The mission script's side of the panel's links.
class IMessagerScript
{
public:
    virtual ~IMessagerScript() = default;
    // Runs the current mission script with the parameter and the link
    // target (CMMScriptManager::MMRunScript); true when it ran.
    virtual bool MMRunScript(int parameter, const char* target) = 0;
    // For every queued script message of type 0, an event under its name
    // followed by the suffix (CMMScriptManager::AddEvent).
    virtual void AddQueuedMessageEvents(const char* suffix) = 0;
    // Shows the pending runtime script messages (in colour index 1).
    virtual void UpdateRuntimeScriptMessages() = 0;
};

// Records are only added; Clear returns both indices to 0. Full when the
// write index is one behind the read index, so at most capacity - 1.
class CMessageRing
{
public:
    void Init(int capacity);
    bool IsFull() const;
    // The slot at the write index (filled before Push).
    SMessageRecord& Next() { return m_Records[std::size_t(m_nWrite)]; }
    void Push(const SMessageRecord& record);
    void Clear() { m_nRead = m_nWrite = 0; }

    std::vector<SMessageRecord> m_Records;
    int m_nRead = 0;
    int m_nWrite = 0;
    int m_nCapacity = 0;
};

class CMessager : public CBaseMenu
{
public:
    static constexpr int kCapacity = 10000;
    static constexpr float kExpiry = 25.0f;
    static constexpr std::uint32_t kPalette[5] = {0xA0A0A0, 0x40FF40, 0xFF2020, 0xFAF95E, 0xFFFFFF};

    CMessager() = default;
    ~CMessager() override;

    void OnInit();
    void AddMessage(const CXAnsiString& text, int colourIndex, const char* id);
    void OnNotify(int code) override;
    void Run();
    void Draw();
    void UpdateState(bool paused);
    void Clear();
    void Done();

    void SetTextDB(ITextDB* db) { m_pTextDB = db; }
    void SetScript(IMessagerScript* script) { m_pScript = script; }
    void SetClock(IUIClock* clock) { m_pClock = clock; }

    CHTMLObjectView* GetDocument() const { return m_pDocument; }
    CHtmlControl* GetControl() const { return m_pControl; }
    double Now() const;

    CMessageRing m_Ring;
    float m_fScrollAccumulator = 0.0f;
    CHTMLObjectView* m_pDocument = nullptr;
    CHtmlControl* m_pControl = nullptr;
    std::uint8_t m_bPaused = 0;

private:
    int ScreenWidth() const;
    int LineHeight() const;
    void PlaceRects(int height);

    ITextDB* m_pTextDB = nullptr;
    IMessagerScript* m_pScript = nullptr;
    IUIClock* m_pClock = nullptr;
};

extern CMessager* g_pMessager;
