// The widget tests' screen: the UI test kit's screen, input and clock with
// the menus' drawing recorder, which also keeps the sheet pieces the
// widgets draw.
#pragma once

#include "MenuTestKit.h"

#include "ui/UITestKit.h"

#include <array>

namespace widgettest
{

// The menus' drawing recorder, at the UI kit's 640 x 480.
using menutest::CSpriteRecorder;
using menutest::SSprite;

class CWidgetTest : public uitest::CUITest
{
protected:
    void SetUp() override
    {
        CUITest::SetUp();
        m_Sprites.m_Size = plat::Point{640, 480};
        m_Screen.Init(&m_Sprites, &m_Input);
        m_Screen.SetMainGroup(m_pMain);
    }

    CSpriteRecorder m_Sprites;
};

inline std::array<int, 4> R(const plat::Rect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace widgettest
