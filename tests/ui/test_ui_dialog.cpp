// The screen dialog over fake screens known by their classes and a
// recording music manager: F10 and Escape, the pause screen's results, the
// fade, the music paused or stopped, and the building menu's music choice.

#include "UITestKit.h"

#include "foundation/ClassFactory.h"
#include "foundation/GuidKey.h"
#include "sound/MusicManager.h"
#include "ui/UI.h"
#include "ui/menu/UIDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace
{
std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

class CFakeScreen : public IUI
{
public:
    explicit CFakeScreen(const char* id) : m_Id(id) {}
    CGuidKey GetGUID() const override
    {
        CGuidKey key;
        MakeGuidKey(&key, m_Id);
        return key;
    }
    void Init(IGraphicInterface*, IInput*) override {}
    void ProcessMessages() override {}
    void Render() override { Log().push_back(std::string("render ") + m_Id); }
    void RenderIntro() override { Log().push_back(std::string("intro ") + m_Id); }
    ~CFakeScreen() override { Log().push_back(std::string("deleted ") + m_Id); }
    const char* m_Id;
};

template <const char* Id> IBaseInterface* MakeScreen()
{
    return new CFakeScreen(Id);
}

constexpr char kEsc[] = "IGUID_CEscUI";
constexpr char kMain[] = "IGUID_CMainUI";
constexpr char kBuilding[] = "IGUID_CBuildingUI";
constexpr char kBox[] = "IGUID_CBoxUI";

class CRecordingMusic : public IMusicManager
{
public:
    void SetSoundDevice(plat::ds::Device*) override {}
    bool PlayMusic(int id, float, bool, float) override
    {
        Log().push_back("play " + std::to_string(id));
        return true;
    }
    void StopMusic(float fade) override { Log().push_back("stop " + std::to_string(fade).substr(0, 3)); }
    void Pause(bool pause, float fade) override
    {
        Log().push_back(std::string(pause ? "pause " : "resume ") + std::to_string(fade).substr(0, 3));
    }
    bool IsPlayed(int) override { return false; }
    int GetCurrentMusic() override { return -1; }
    void Run() override {}
    void SetVolume(float) override {}
    float GetVolume() override { return 1.0f; }
};

class CFakeHost : public IDialogHost
{
public:
    void FreezeBackground() override { Log().push_back("freeze"); }
    void LoadGame(const char* file) override { Log().push_back(std::string("load ") + file); }
    void SaveGame(const char* file, const char*, bool inBuilding, const char* building) override
    {
        Log().push_back(std::string("save ") + file + (inBuilding ? " in " : " out ") + building);
    }
    bool GetChosenSave(IUI*, std::string* caption, std::string* file) override
    {
        *caption = "Caption";
        *file = "slot1.sav";
        return true;
    }
    void SetOpenedFromBuilding(IUI*) override { Log().push_back("from building"); }
    bool IsScreenBusy(IUI*) override { return false; }
    int GetMusicSituation() override { return m_nSituation; }
    float GetMusicTimeLeft() override { return m_fLeft; }
    IMusicManager* GetMusicManager() override { return &m_Music; }

    CRecordingMusic m_Music;
    int m_nSituation = 1;
    float m_fLeft = 60.0f;
};

class UIDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static std::uint32_t indices[4];
        RegisterClassFactory(&indices[0], MakeScreen<kEsc>, kEsc);
        RegisterClassFactory(&indices[1], MakeScreen<kMain>, kMain);
        RegisterClassFactory(&indices[2], MakeScreen<kBuilding>, kBuilding);
        RegisterClassFactory(&indices[3], MakeScreen<kBox>, kBox);
        g_pDialogHost = &m_Host;
        m_Dialog.m_pInput = &m_Input;
        m_Dialog.m_fFrameTime = 0.1f;
        Log().clear();
    }
    void TearDown() override { g_pDialogHost = nullptr; }

    // One input pass with key pressed this frame (0: none).
    void Pass(int key = 0)
    {
        m_Input = uitest::CFakeInput();
        if (key) m_Input.Press(key);
        m_Dialog.ProcessMessages();
    }

    CFakeHost m_Host;
    uitest::CFakeInput m_Input;
    CUIDialog m_Dialog;
};

TEST_F(UIDialog, F10OpensThePauseScreenOverABuildingAndItsEndReturns)
{
    m_Dialog.SetScreen(new CFakeScreen(kBuilding), false);
    IUI* building = m_Dialog.m_pScreen;
    Pass(CUIDialog::kKeyF10);
    EXPECT_EQ(ScreenKindOf(m_Dialog.m_pScreen), EScreenKind::kEsc);
    EXPECT_EQ(m_Dialog.m_nStack, 1);
    EXPECT_EQ(m_Dialog.m_bMainOrPause, 1);
    EXPECT_EQ(Log(), (std::vector<std::string>{"freeze", "pause 0.5", "from building"}));

    // Escape on the pause screen ends it with 1000: back to the building.
    Log().clear();
    Pass(CUIDialog::kKeyEscape);
    EXPECT_EQ(m_Dialog.m_pScreen, building);
    EXPECT_EQ(m_Dialog.m_nStack, 0);
    EXPECT_FALSE(m_Dialog.m_bClosing);
    EXPECT_EQ(Log(), (std::vector<std::string>{"freeze", "deleted IGUID_CEscUI", "resume 0.5"}));
}

TEST_F(UIDialog, PauseResultsEndBothScreensOrSave)
{
    struct SCase
    {
        int result;
        bool ends;
        const char* logged;
    };
    const SCase cases[] = {
        {1001, true, nullptr}, {1006, true, nullptr}, {1003, true, "load slot1.sav"},
        {1007, false, "save slot1.sav in "}, {1002, false, nullptr},
    };
    for (const SCase& c : cases)
    {
        CUIDialog dialog;
        dialog.m_pInput = &m_Input;
        dialog.m_fFrameTime = 0.1f;
        dialog.SetScreen(new CFakeScreen(kBuilding), false);
        m_Input = uitest::CFakeInput();
        m_Input.Press(CUIDialog::kKeyF10);
        dialog.ProcessMessages();
        Log().clear();
        dialog.m_pScreen->EndModal(c.result);
        m_Input = uitest::CFakeInput();
        dialog.ProcessMessages();
        EXPECT_EQ(dialog.m_nStack, 0) << c.result;
        EXPECT_EQ(ScreenKindOf(dialog.m_pScreen), EScreenKind::kBuilding) << c.result;
        EXPECT_EQ(dialog.m_bDone != 0, c.ends) << c.result << ": no fade-out";
        if (c.ends)
        {
            EXPECT_EQ(dialog.m_nResult, c.result);
        }
        if (c.logged)
        {
            EXPECT_NE(std::find(Log().begin(), Log().end(), c.logged), Log().end()) << c.result;
        }
    }
}

TEST_F(UIDialog, KeysOnTheMainMenuAndOnMessageBoxes)
{
    m_Dialog.SetScreen(new CFakeScreen(kMain), false);
    Pass(CUIDialog::kKeyEscape);
    EXPECT_FALSE(m_Dialog.m_pScreen->IsDone()) << "the main menu acts on its keys itself";
    EXPECT_EQ(Log(), (std::vector<std::string>{"freeze"}));

    CUIDialog box;
    box.m_pInput = &m_Input;
    box.SetScreen(new CFakeScreen(kBox), true);
    m_Input = uitest::CFakeInput();
    m_Input.Press(CUIDialog::kKeyF10);
    box.ProcessMessages();
    EXPECT_EQ(box.m_nResult, 1000);
    EXPECT_TRUE(box.m_bClosing);
}

TEST_F(UIDialog, FadesInAndOut)
{
    m_Dialog.SetScreen(new CFakeScreen(kBox), false);
    m_Dialog.ResetTimer();
    std::vector<std::string> drawn;
    for (int frame = 0; frame < 6; ++frame)
    {
        Log().clear();
        m_Dialog.RenderBackGround();
        drawn.push_back(Log().empty() ? "-" : Log().front().substr(0, 5));
        Pass();
    }
    EXPECT_EQ(drawn, (std::vector<std::string>{"-", "-", "-", "intro", "intro", "rende"}));
    m_Dialog.m_pScreen->EndModal(7);
    int frames = 0;
    while (!m_Dialog.m_bDone && frames < 100)
    {
        Pass();
        ++frames;
    }
    EXPECT_EQ(m_Dialog.m_nResult, 7);
    EXPECT_EQ(frames, 5) << "0.4 s of fade-out at 0.1 s a frame";
}

TEST_F(UIDialog, MusicPausedWithTimeLeftElseStopped)
{
    for (float left : {60.0f, 6.9f})
    {
        m_Host.m_fLeft = left;
        CUIDialog dialog;
        dialog.SetScreen(new CFakeScreen(kBox), true);
        Log().clear();
        dialog.ProcessMusic(0);
        dialog.ProcessMusic(2);
        if (left > 7.0f)
            EXPECT_EQ(Log(), (std::vector<std::string>{"pause 2.0", "resume 2.0"}));
        else
            EXPECT_EQ(Log(), (std::vector<std::string>{"stop 2.0"}));
    }
}

TEST_F(UIDialog, AFullScreenStackKeepsTheScreen)
{
    m_Dialog.SetScreen(new CFakeScreen(kBuilding), false);
    IUI* building = m_Dialog.m_pScreen;
    for (int i = 0; i < CUIDialog::kStackDepth; ++i) EXPECT_TRUE(m_Dialog.PushScreen(new CFakeScreen(kBox)));
    auto* extra = new CFakeScreen(kBox);
    EXPECT_FALSE(m_Dialog.PushScreen(extra));
    delete extra;
    Pass(CUIDialog::kKeyF10);
    EXPECT_EQ(m_Dialog.m_pScreen, building) << "no pause screen without room under it";
    EXPECT_EQ(m_Dialog.m_nStack, CUIDialog::kStackDepth);
}

TEST(BaseMusic, RelationThresholds)
{
    struct SCase
    {
        bool own, known;
        float relation;
        const char* music;
    };
    const SCase cases[] = {
        {true, true, -1.0f, "MUS_INT_BASE_OUR"},      {false, false, 1.0f, "MUS_INT_BASE_NEUTRAL"},
        {false, true, 1.0f / 3.0f, "MUS_INT_BASE_NEUTRAL"}, {false, true, -0.34f, "MUS_INT_BASE_ENEMY"},
        {false, true, 0.34f, "MUS_INT_BASE_OUR"},     {false, true, -1.0f / 3.0f, "MUS_INT_BASE_NEUTRAL"},
    };
    for (const SCase& c : cases)
    {
        const SBaseMusic m = ChooseBaseMusic(c.own, c.known, c.relation);
        EXPECT_STREQ(m.music, c.music) << c.relation;
        EXPECT_EQ(std::string(m.effect), "MUS_FX_" + std::string(c.music + 4)) << c.relation;
    }
}
} // namespace
