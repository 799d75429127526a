// The count selector of the trade console: CCountSelector, a narrow group
// of an up button (picture 35), a numeric field CCountField and a down
// button (picture 36), stacked. The value runs from 1 to a maximum the
// console writes into the field.
//
// CCountField takes typed digits and editing keys while enabled (Home 1,
// End the maximum, Page Up/Down by 10, minus/plus/arrows by 1 with a wrap
// to 1 past the maximum, Delete/Backspace/keypad point drop the last
// digit, a digit is appended and restarts the number when it would pass
// the maximum). It tells its owner 4150 when a value above the maximum was
// cut (not with maximum 1).
//
// CCountSelector steps the value with its buttons: one unit on the release
// of a click, and while a button is held a repeat whose step grows with
// the hold (1 every 0.2 s, after 2 s 2 every 0.1 s, after 3 s 5 every
// 0.04 s, after 5 s 10 every 0.02 s). Every change through the selector is
// reported to its owner as 4153. Both commands name their sender
// (CommandArgument()).
//
// Ownership: the selector creates and deletes its three children. Times
// come from the screen's clock. Threads: main thread only.
#pragma once

#include "foundation/Input.h"
#include "menus/MenuButton.h"
#include "ui/GroupControl.h"

class CCountField : public CControl
{
public:
    static constexpr int kValueCut = 4150;
    static constexpr std::uint32_t kDisabledColour = 0x44FFFFFF;

    void Render() override;
    void OnMouseLClick() override;
    void ProcessMessages() override;
    // The control's key slot: applies the buffered key events.
    virtual void HandleKeys();
    virtual void Create(int left, int top, int right, int bottom, IUI* screen);

    // Raised to 1, cut to the maximum (4150 with notify, unless the maximum
    // is 1); the caption shows it right-aligned in three places, and a
    // value whose caption does not fit the field becomes 1.
    void SetValue(int value, bool notify);
    int GetValue() const { return m_nValue; }

    InputQueue m_Keys;
    int m_nValue = 1;
    int m_nMaximum = 1;
};

class CCountSelector : public CGroupControl
{
public:
    static constexpr int kChanged = 4153;
    static constexpr int kUpPicture = 35;
    static constexpr int kDownPicture = 36;

    // The trade console starts the hold time at 0.01.
    explicit CCountSelector(float holdTime = 0.01f) : m_fHoldTime(holdTime) {}
    ~CCountSelector() override;

    void ProcessMessages() override;
    virtual void Init(int left, int top, int right, int bottom, IUI* screen);
    // Through the field (with notify) and then 4153 to the owner, only when
    // the field's value differs from value.
    void SetValue(int value);
    int GetValue() const { return m_pField ? m_pField->GetValue() : 1; }

    CMenuButton* m_pUp = nullptr;
    CMenuButton* m_pDown = nullptr;
    CCountField* m_pField = nullptr;
    float m_fHoldTime;
    float m_fRepeatTime = 0.0f;

private:
    void DeleteChildren();
};
