// The options tests' pieces: a running game the options dialog applies to
// that records what it is asked (purges, resets, filters, the rest) and can
// refuse a display size; a key-name table and a "cfg.ini" written into the
// test's tree; the input configuration's keys put back after each test.
#pragma once

#include "app/InputConfig.h"
#include "foundation/DICodeTable.h"
#include "menus/OptionSettings.h"
#include "ui/UITestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace optiontest
{

class CFakeTarget : public options::IOptionsTarget
{
public:
    SGraphics GetGraphics() override { return m_Now; }
    void PurgeModels() override { m_Calls.push_back("purge models"); }
    void PurgeTextures() override { m_Calls.push_back("purge textures"); }
    void StoreQualities(int texture, int model) override
    {
        m_Calls.push_back("qualities");
        m_Now.textureQuality = texture;
        m_Now.modelQuality = model;
    }
    bool ResetDisplay(int width, int height, std::string* why) override
    {
        m_Calls.push_back("reset " + std::to_string(width) + "x" + std::to_string(height));
        if (!m_bResetWorks)
        {
            *why = "refused";
            return false;
        }
        m_Now.width = width;
        m_Now.height = height;
        return true;
    }
    void SetFilters(int filtering, int anisotropy, bool reflection) override
    {
        m_Calls.push_back("filters");
        m_Now.filtering = filtering;
        m_Now.anisotropy = anisotropy;
        m_Now.fullReflection = reflection;
    }
    void ApplyGame(const options::SOptionSettings& s) override
    {
        m_Calls.push_back("game");
        m_Applied = s;
    }
    int GetMaxAnisotropy() override { return 8; }
    bool HasForceFeedback() override { return m_bForceFeedback; }
    std::vector<SMode> GetDisplayModes() override { return m_Modes; }

    // What the sample's cfg.ini below says.
    SGraphics m_Now{2, 0, 1, 1, 1024, 768, false};
    std::vector<SMode> m_Modes{{800, 600, 22}, {1024, 768, 22}, {1280, 1024, 22}};
    bool m_bResetWorks = true;
    bool m_bForceFeedback = true;
    std::vector<std::string> m_Calls;
    options::SOptionSettings m_Applied;
};

// The keys the tests bind, by name.
inline const SDICodeLine kKeyNames[] = {
    {"k", 0x01, "ESCAPE"}, {"k", 0x11, "W"},      {"k", 0xC8, "UP"},    {"k", 0x1F, "S"},
    {"k", 0x1E, "A"},      {"k", 0x20, "D"},      {"k", 0x1D, "LCTRL"}, {"k", 257, "MOUSE1"},
    {"k", 258, "MOUSE2"},  {"k", 0x39, "SPACE"},  {"k", 0x10, "Q"},     {"k", 0x12, "E"},
    {"k", 0x30, "B"},      {"k", 0x2E, "C"},      {"k", 0x13, "R"},     {"k", 513, "JOY1"},
};

constexpr const char* kConfig = "[CONFIG]\n"
                                "ScreenWidth=1024\nScreenHeight=768\nTextureQuality=2\nModelQuality=2\n"
                                "VisibleRadius=256\nFiltering=1\nAnisotropy=1\nFullreflection=0\n"
                                "MusicVolume=70\nSoundVolume=80\nPlayerFade=10\nMaxSoundSources=8\n"
                                "HardwareSounds=0\nDifficulty=1\n"
                                "[INPUT]\n"
                                "FORWARD=W\nFORWARD2=UP\nBACKWARD=S\nFIRE=MOUSE1\nFIRE2=LCTRL\nFIRE3=MOUSE2\n"
                                "JUMP=SPACE\nCRUISE=C\nCRUISE2=R\nMouseSensitivity=5\nInverseMouse=0\n"
                                "ForceFeedBack=1\nJoystick=0\nSensitivityJoystick=5\nMouseAutoRotate=1\n"
                                "AutoFire=0\nCenterFire=1\n";
constexpr const char* kDefaults = "[CONFIG]\n"
                                  "ScreenWidth=800\nScreenHeight=600\nTextureQuality=4\nModelQuality=4\n"
                                  "VisibleRadius=512\nFiltering=2\nAnisotropy=4\nFullreflection=1\n"
                                  "MusicVolume=50\nSoundVolume=50\nPlayerFade=50\nMaxSoundSources=16\n"
                                  "HardwareSounds=1\nDifficulty=2\n"
                                  "[INPUT]\n"
                                  "FORWARD=UP\nFORWARD2=\nBACKWARD=S\nFIRE=LCTRL\nJUMP=B\n"
                                  "MouseSensitivity=2\nInverseMouse=1\n"
                                  "ForceFeedBack=0\nJoystick=1\nSensitivityJoystick=9\nMouseAutoRotate=0\n"
                                  "AutoFire=1\nCenterFire=0\n";

// A screen over the test's tree with the key names, "cfg.ini" and
// "default.ini", and the fake game installed for the dialogs.
class COptionsTest : public uitest::CUITest
{
protected:
    void SetUp() override
    {
        CUITest::SetUp();
        Tree().WriteText("Data/CONFIG/cfg.ini", kConfig);
        Tree().WriteText("Data/CONFIG/default.ini", kDefaults);
        ASSERT_TRUE(WriteDICodeTable((Tree() / "Data/CONFIG/DICode.ini").c_str(), kKeyNames,
                                     int(std::size(kKeyNames))));
        ASSERT_TRUE(LoadDICodeTable());
        std::copy(std::begin(g_InputConfig.m_Keys), std::end(g_InputConfig.m_Keys), std::begin(m_SavedKeys));
        m_SavedOptions = g_InputConfig.m_Options;
        options::SetOptionsTarget(&m_Target);
    }
    void TearDown() override
    {
        options::SetOptionsTarget(nullptr);
        std::copy(std::begin(m_SavedKeys), std::end(m_SavedKeys), std::begin(g_InputConfig.m_Keys));
        g_InputConfig.m_Options = m_SavedOptions;
        FreeDICodeTable();
        CUITest::TearDown();
    }
    // A key pressed during one frame.
    void Key(int code)
    {
        Frame(0, 0, [&] { m_Input.Press(code); });
    }
    std::string Cfg() const { return Tree().ReadText("Data/CONFIG/cfg.ini"); }
    static bool Has(const std::string& text, const std::string& line)
    {
        return ("\n" + text).find("\n" + line + "\n") != std::string::npos ||
               ("\n" + text).find("\n" + line + "\r\n") != std::string::npos;
    }

    CFakeTarget m_Target;
    std::uint16_t m_SavedKeys[CInputConfig::kKeyCount] = {};
    SInputOptions m_SavedOptions;
};

} // namespace optiontest
