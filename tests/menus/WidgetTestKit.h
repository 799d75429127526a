// The widget tests' screen: the UI test kit's screen, input and clock with
// a drawing recorder that also keeps the sheet pieces (texture name,
// screen rectangle, source corner and technique) the widgets draw.
#pragma once

#include "ui/UITestKit.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace widgettest
{

// A sheet piece: its screen rectangle, the texels its corners read
// (swapped along a mirrored axis) and the sheet's size.
struct SSprite
{
    std::string texture;
    std::array<int, 4> screen;
    std::array<int, 4> source;
    std::array<int, 2> size;
    int technique;
};

class CSpriteRecorder : public uitest::CDrawRecorder
{
public:
    CTexture* DrawTextureUV(CGuidKey& texture, const int* screen, const int* size, const int* source,
                            int technique) override
    {
        m_Sprites.push_back(SSprite{texture.name,
                                    {screen[0], screen[1], screen[2], screen[3]},
                                    {source[0], source[1], source[2], source[3]},
                                    {size[0], size[1]},
                                    technique});
        return nullptr;
    }
    std::vector<SSprite> From(const char* texture) const
    {
        std::vector<SSprite> out;
        for (const SSprite& s : m_Sprites)
            if (s.texture == texture) out.push_back(s);
        return out;
    }
    void Clear()
    {
        m_Ops.clear();
        m_Sprites.clear();
    }

    std::vector<SSprite> m_Sprites;
};

class CWidgetTest : public uitest::CUITest
{
protected:
    void SetUp() override
    {
        CUITest::SetUp();
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
