// CSimpleMessageBox: the group the game shows as a popup for the results of
// a script. Only its shell lives here: the flag byte its creator gives, a
// second flag (1 at construction) with operations to clear and set it, and
// two fields the message boxes of the menus use. Its texts, buttons and
// behaviour belong to those message boxes.
#pragma once

#include "ui/GroupControl.h"

class CSimpleMessageBox : public CGroupControl
{
public:
    explicit CSimpleMessageBox(std::uint8_t flag) : m_bFlag(flag) {}

    std::uint32_t GetSize() const override { return sizeof(*this); }
    virtual void ClearSecondFlag() { m_bSecondFlag = 0; }
    virtual void SetSecondFlag() { m_bSecondFlag = 1; }

    std::uint8_t m_bFlag;
    std::uint8_t m_bSecondFlag = 1;
    int m_iField1 = 0;
    int m_iField2 = 0;
};
