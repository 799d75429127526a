// The screen dialog over fake screens known by their classes and a
// recording music manager: F10 and Escape, the pause screen's results, the
// fade, the music paused or stopped, the building menu's music choice by
// its owner (and its 90 s silences), the main menu's music, and the
// building menu's seven lights.

#include "UITestKit.h"

#include "foundation/ClassFactory.h"
#include "foundation/GuidKey.h"
#include "foundation/Settings.h"
#include "world/Trade.h"
#include "sound/MusicManager.h"
#include "sound/SoundMusic.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/World.h"
#include "ui/UI.h"
#include "ui/menu/UIDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    CRecordingMusic()
    {
        for (const char* name : {"MUS_INT_BASE_NEUTRAL", "MUS_FX_INT_BASE_NEUTRAL", "MUS_INT_BASE_OUR",
                                 "MUS_FX_INT_BASE_OUR", "MUS_INT_BASE_ENEMY", "MUS_FX_INT_BASE_ENEMY",
                                 "MUS_INT_MENU", "MUS_INT_HOLD"})
            m_Names.Add(name);
        m_nCount = 8;
    }
    bool PlayMusic(int id, float fade, bool loop, float) override
    {
        Log().push_back("play " + std::to_string(id) + " " + std::to_string(fade).substr(0, 4) + (loop ? " loop" : ""));
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
    void SetMusicSituation(int situation) override { Log().push_back("situation " + std::to_string(situation)); }
    IMusic* GetMusicObject(int id) override
    {
        if (id < 0 || id >= 8) return nullptr;
        m_Effects[id].m_nId = id;
        return &m_Effects[id];
    }
    void SetSilence(float seconds) override
    {
        Log().push_back("silence " + std::to_string(int(seconds)));
        m_bSilence = seconds != 0.0f;
    }
    bool IsSilence() override { return m_bSilence; }
    bool IsMusicBusy() override { return m_bBusy; }

    // The effect music: records what is asked of it.
    class CEffect : public IMusic
    {
    public:
        CGuidKey GetGUID() const override { return CGuidKey(); }
        std::uint32_t GetSize() const override { return sizeof(*this); }
        plat::HResult SetFileName(const char*) override { return 0; }
        void SetDevice(plat::ds::Device*) override {}
        plat::HResult Play(bool loop, std::uint32_t) override
        {
            Log().push_back("effect " + std::to_string(m_nId) + (loop ? " loop" : ""));
            m_bPlaying = true;
            return 0;
        }
        void Stop() override
        {
            Log().push_back("effect stop " + std::to_string(m_nId));
            m_bPlaying = false;
        }
        std::uint32_t GetCurrentPos() override { return 0; }
        bool IsMusicPlayed() override { return m_bPlaying; }
        int GetState() override { return 0; }
        plat::HResult SetVolume(float volume) override
        {
            Log().push_back("effect volume " + std::to_string(volume).substr(0, 3));
            return 0;
        }
        float GetVolume() override { return 1.0f; }
        float GetLength() override { return 0.0f; }
        float GetPlayDuration() override { return 0.0f; }
        plat::HResult PreLoad(std::uint32_t) override { return 0; }
        void Unload(bool) override {}
        void LoadBlock() override {}
        int m_nId = -1;
        bool m_bPlaying = false;
    };

    CRecordingMusic m_Music;
    CEffect m_Effects[8];
    bool m_bSilence = false;
    bool m_bBusy = true;
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

// Organisations by name with one relation between any two.
class CFakeOrgs : public IOrgManager
{
public:
    CGuidKey GetGUID() const override { return CGuidKey(); }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void SaveToStream(CMemStream&) override {}
    void LoadFromStream(CMemStream&) override {}
    COrganization* CreateOrganization(const char*) override { return nullptr; }
    void InitRelations() override {}
    void ChangePolitic(std::int32_t, std::int32_t, float, bool) override {}
    void RelaxRelations(float) override {}
    void SetRelation(std::int32_t, std::int32_t, float, bool, bool) override {}
    float GetOrgFactor(std::int32_t) override { return 0.5f; }
    bool LoadTable(const char*) override { return true; }
    std::int32_t GetOrgCount() override { return 2; }
    const SOrgRecord* GetRecord(std::int32_t) override { return nullptr; }
    std::int32_t FindByName(const char* name) override
    {
        const std::string n = name;
        return n == "ORG_PLAYER" ? 0 : n == "ORG_OTHER" ? 1 : -1;
    }
    float GetRelation(std::int32_t, std::int32_t, bool) override { return m_fRelation; }
    float m_fRelation = 0.0f;
};

constexpr char kTunnel[] = "IGUID_CTunnelUI";

class BaseDialog : public UIDialog
{
protected:
    void SetUp() override
    {
        UIDialog::SetUp();
        static std::uint32_t tunnel;
        RegisterClassFactory(&tunnel, MakeScreen<kTunnel>, kTunnel);
        g_pWorld = &m_World;
        std::strcpy(m_Player.m_szOrg, "ORG_PLAYER");
        m_World.SetPlayerMech(&m_Player);
        m_World.CaptureBuilding("ORG_OTHER", "BASE_1");
        m_World.CaptureBuilding("ORG_PLAYER", "BASE_2");
        m_World.CaptureBuilding("ORG_NOBODY", "BASE_3");
        g_MMEngine.m_pOrgManager = &m_Orgs;
        m_fVolume = g_Settings.SoundVolume;
        g_Settings.SoundVolume = 0.7f;
    }
    void TearDown() override
    {
        g_Settings.SoundVolume = m_fVolume;
        g_MMEngine.m_pOrgManager = nullptr;
        m_World.SetPlayerMech(nullptr);
        g_pWorld = nullptr;
        UIDialog::TearDown();
    }
    // The base music chosen for the building.
    std::string Music(const char* building)
    {
        CUIBaseDialog dialog;
        char name[32] = {};
        std::strcpy(name, building);
        dialog.SetParam(name);
        dialog.ChoiceMusic();
        return dialog.m_nBaseMusic >= 0 ? m_Host.m_Music.GetName(dialog.m_nBaseMusic) : "-";
    }

    CWorld m_World;
    CPlayerMech m_Player;
    CFakeOrgs m_Orgs;
    float m_fVolume = 0.0f;
};

TEST_F(BaseDialog, TheOwnerChoosesTheMusic)
{
    EXPECT_EQ(Music("BASE_2"), "MUS_INT_BASE_OUR") << "the player's own";
    EXPECT_EQ(Music("BASE_3"), "MUS_INT_BASE_NEUTRAL") << "an organisation nobody knows";
    EXPECT_EQ(Music("BASE_9"), "MUS_INT_BASE_NEUTRAL") << "no such building";
    m_Orgs.m_fRelation = -0.34f;
    EXPECT_EQ(Music("BASE_1"), "MUS_INT_BASE_ENEMY");
    m_Orgs.m_fRelation = 1.0f / 3.0f;
    EXPECT_EQ(Music("BASE_1"), "MUS_INT_BASE_NEUTRAL");
    m_Orgs.m_fRelation = 0.5f;
    EXPECT_EQ(Music("BASE_1"), "MUS_INT_BASE_OUR");
}

TEST_F(BaseDialog, AfterEachPieceNinetySecondsOfSilenceThenANewChoice)
{
    CUIBaseDialog dialog;
    dialog.SetScreen(new CFakeScreen(kBuilding), false);
    char name[32] = "BASE_1";
    dialog.SetParam(name);
    const std::string neutral = std::to_string(m_Host.m_Music.FindName("MUS_INT_BASE_NEUTRAL"));
    const std::string neutralFx = std::to_string(m_Host.m_Music.FindName("MUS_FX_INT_BASE_NEUTRAL"));
    const std::string enemy = std::to_string(m_Host.m_Music.FindName("MUS_INT_BASE_ENEMY"));
    dialog.ProcessMusic(0);
    EXPECT_EQ(Log(), (std::vector<std::string>{"stop 0.5", "play " + neutral + " 10.0", "situation 3",
                                               "effect volume 0.7", "effect " + neutralFx + " loop"}));
    // While the piece plays nothing happens; when it has ended, silence.
    Log().clear();
    dialog.ProcessMusic(1);
    EXPECT_TRUE(Log().empty());
    m_Host.m_bBusy = false;
    dialog.ProcessMusic(1);
    dialog.ProcessMusic(1);
    EXPECT_EQ(Log(), (std::vector<std::string>{"silence 90"}));
    // The relation changed during the silence: the new choice fades in.
    Log().clear();
    m_Orgs.m_fRelation = -0.5f;
    m_Host.m_bSilence = false;
    m_Host.m_bBusy = true;
    dialog.ProcessMusic(1);
    EXPECT_EQ(Log(), (std::vector<std::string>{"play " + enemy + " 3.00"}));
    // Leaving stops the effect music that plays, and the music.
    Log().clear();
    dialog.ProcessMusic(2);
    EXPECT_EQ(Log(), (std::vector<std::string>{"effect stop " + std::to_string(m_Host.m_Music.FindName(
                                                                  "MUS_FX_INT_BASE_NEUTRAL")),
                                               "stop 0.5"}));
}

TEST_F(BaseDialog, LeavingDuringTheSilenceEndsItAndNoSoundVolumeNoEffectMusic)
{
    g_Settings.SoundVolume = 0.0f;
    CUIBaseDialog dialog;
    dialog.SetScreen(new CFakeScreen(kTunnel), false);
    dialog.ProcessMusic(0);
    EXPECT_EQ(std::count_if(Log().begin(), Log().end(), [](const std::string& l) { return l.rfind("effect", 0) == 0; }), 0);
    m_Host.m_bBusy = false;
    dialog.ProcessMusic(1);
    Log().clear();
    dialog.ProcessMusic(2);
    EXPECT_EQ(Log(), (std::vector<std::string>{"silence 0"}));

    // A building dialog over another screen chooses no music.
    CUIBaseDialog other;
    other.SetScreen(new CFakeScreen(kBox), false);
    Log().clear();
    other.ProcessMusic(0);
    EXPECT_TRUE(Log().empty());
}

TEST_F(UIDialog, TheMainMenuPlaysItsMusic)
{
    CUIMainDialog dialog;
    dialog.SetScreen(new CFakeScreen(kMain), false);
    const std::string menu = std::to_string(m_Host.m_Music.FindName("MUS_INT_MENU"));
    dialog.ProcessMusic(0);
    dialog.ProcessMusic(1);
    dialog.ProcessMusic(2);
    EXPECT_EQ(Log(), (std::vector<std::string>{"stop 0.5", "play " + menu + " 10.0 loop", "stop 0.5"}));
}

TEST(BaseLights, SixPointLightsAndATurningSpot)
{
    plat::d3d::SLight lights[7];
    MakeBaseLights(0.0f, lights);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(lights[i].Type, plat::d3d::D3DLIGHT_POINT) << i;
    EXPECT_FLOAT_EQ(lights[0].Diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(lights[0].Specular.g, 1.25f);
    EXPECT_FLOAT_EQ(lights[0].Ambient.b, 0.2f);
    EXPECT_FLOAT_EQ(lights[0].Attenuation2, 8.0f / (300.0f * 300.0f));
    // Light 2 pulses: sin(2) + 1 at clock 0, red stays strongest.
    const float pulse = std::sin(2.0f) + 1.0f;
    EXPECT_FLOAT_EQ(lights[2].Diffuse.r, pulse);
    EXPECT_FLOAT_EQ(lights[2].Diffuse.g, float(0x3D) / 255.0f * pulse);
    EXPECT_FLOAT_EQ(lights[2].Diffuse.a, 1.0f) << "alpha from the colour";
    EXPECT_FLOAT_EQ(lights[4].Diffuse.b, float(0xEA) / 255.0f * (0.05f * std::sin(1.0f) + 1.0f));
    EXPECT_FLOAT_EQ(lights[5].Range, 350.0f);
    EXPECT_FLOAT_EQ(lights[5].Attenuation2, 8.0f / (350.0f * 350.0f));
    const plat::d3d::SLight& spot = lights[6];
    EXPECT_EQ(spot.Type, plat::d3d::D3DLIGHT_SPOT);
    EXPECT_FLOAT_EQ(spot.Position.y, 50.0f);
    EXPECT_FLOAT_EQ(spot.Falloff, 4.0f);
    EXPECT_FLOAT_EQ(spot.Phi, 2.98451f);
    EXPECT_NEAR(spot.Theta, 3.14159265f / 2.0f, 1e-6f);
    EXPECT_FLOAT_EQ(spot.Attenuation2, std::sqrt(3.0f) * 0.004f * 0.004f);
    EXPECT_FLOAT_EQ(spot.Ambient.r, 0.3f);
    EXPECT_FLOAT_EQ(spot.Diffuse.g, float(0xA1) / 255.0f * 1.25f);
    EXPECT_NEAR(spot.Direction.y, 1.0f, 1e-6f);
    // A quarter turn later (clock pi / 4) it points along x.
    MakeBaseLights(3.14159265f / 4.0f, lights);
    EXPECT_NEAR(lights[6].Direction.x, 1.0f, 1e-6f);
    EXPECT_NEAR(lights[6].Direction.y, 0.0f, 1e-6f);
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
