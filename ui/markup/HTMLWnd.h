// CHTMLWnd: a group control that owns a markup document and shows it in a
// screen, entry by entry (consoles, journals, message boxes). It turns the
// mouse and keys into link choices: a left press that begins on a link and
// is released on it chooses the link, the space key chooses the last link,
// the digit keys 1-9 the link with that ordinal. A chosen link plays
// "SND_I_LINK" and notifies the parent with 4141; a right press on a link
// notifies 4142; a heading icon folds or unfolds its entry ("SND_I_ROLL").
// The target of the last notification is kept in m_sNotifyTarget, where the
// parent reads it (a notification carries only a number).
//
// CHTMLScrollWnd adds a vertical scroll control that follows the document,
// and a thin frame.
//
// Entries from the text database (AddTextBlock, AddTextLink) read the
// database the owner hands over with SetTextDB.
//
// Ownership: the window owns its document (and the scroll window its
// scroll control); the text database is borrowed.
// Threads: main thread only.
#pragma once

#include "ui/GroupControl.h"
#include "ui/markup/ScrollControl.h"

#include <cstdint>
#include <string>

class CHTMLObject;
class ITextDB;

class CHTMLWnd : public CGroupControl
{
public:
    static constexpr int kNotifyLink = 4141;
    static constexpr int kNotifyRightLink = 4142;
    static constexpr std::uintptr_t kNoUserValue = 0xFFFFFFFF;

    CHTMLWnd() = default;
    ~CHTMLWnd() override;

    void Render() override;
    void ProcessMessages() override;
    void Move(int dx, int dy) override;
    virtual void Init(int left, int top, int right, int bottom, IUI* screen);
    virtual void HTMLClear();
    virtual bool AddEntry(const char* text, const char* heading, const char* blockId,
                          std::uintptr_t userValue, const char* linkPrefix, bool upperCase, bool goTo);
    virtual bool GoToBlock(const char* blockId);
    virtual void DeleteBlock(const char* blockId);
    virtual void CollapseBlock(const char* blockId, bool collapse);
    virtual const char* GetCurrentBlockID();
    virtual void ScrollToTop();
    virtual void OnWheel(float delta);

    void AddTextBlock(const char* key, const char* linkPrefix, bool goTo);
    void AddTextLink(const char* first, const char* key, const char* target);

    void SetTextDB(ITextDB* db) { m_pTextDB = db; }
    CHTMLObject* GetDocument() const { return m_pDocument; }

    // Fills the "%" placeholders of the game's names in a text (the player,
    // the clan, the building, script variables) through the game script
    // manager, when there is one; unknown ones stay as written.
    virtual void SubstituteNames(std::string& text);
    // A 2-D interface sound.
    virtual void PlayUISound(const char* name);

    std::string m_sNotifyTarget;

protected:
    // Chooses a link as the keys and clicks do: sound and 4141.
    void ChooseLink(const std::string& target);
    // The document's rectangle for the control's rectangle.
    virtual void PlaceDocument();

    CHTMLObject* m_pDocument = nullptr;
    std::uint8_t m_bArmed = 0;
    ITextDB* m_pTextDB = nullptr;
};

class CHTMLScrollWnd : public CHTMLWnd
{
public:
    CHTMLScrollWnd() = default;
    ~CHTMLScrollWnd() override;

    void Render() override;
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    void Init(int left, int top, int right, int bottom, IUI* screen) override;
    void OnWheel(float delta) override;

    // The track the thumb may fill: (height - 44, or width - 34) - 7.
    int TrackLength() const;

    CScrollControl* m_pScroll = nullptr;
    std::uint8_t m_bShowFrame = 0;
    std::uint8_t m_bShowTopLine = 0;

protected:
    void PlaceDocument() override;
};
