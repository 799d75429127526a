#include "ui/menu/UIDialog.h"

#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/GuidKey.h"
#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "sound/MusicManager.h"
#include "foundation/Name32.h"
#include "foundation/Settings.h"
#include "world/Trade.h"
#include "sound/SoundMusic.h"
#include "ui/UI.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/World.h"

#include <cstring>

IDialogHost* g_pDialogHost = nullptr;

namespace
{
constexpr float kShowTime = 0.4f; // the fade-out starts here
constexpr float kMusicLeftToPause = 7.0f;

int ClassIndexOf(const char* id)
{
    CGuidKey key;
    MakeGuidKey(&key, id);
    return ResolveClassIndex(key);
}

IMusicManager* Music()
{
    return g_pDialogHost ? g_pDialogHost->GetMusicManager() : nullptr;
}
} // namespace

EScreenKind ScreenKindOf(IUI* screen)
{
    if (!screen) return EScreenKind::kOther;
    CGuidKey key = screen->GetGUID();
    const int index = ResolveClassIndex(key);
    if (index < 0) return EScreenKind::kOther;
    static constexpr std::pair<const char*, EScreenKind> kKinds[] = {
        {"IGUID_CMainUI", EScreenKind::kMain},         {"IGUID_CEscUI", EScreenKind::kEsc},
        {"IGUID_CBoxUI", EScreenKind::kBox},           {"IGUID_CBuildingUI", EScreenKind::kBuilding},
        {"IGUID_CTunnelUI", EScreenKind::kTunnel},     {"IGUID_CGliderUI", EScreenKind::kGlider},
    };
    for (const auto& [id, kind] : kKinds)
        if (ClassIndexOf(id) == index) return kind;
    return EScreenKind::kOther;
}

SBaseMusic ChooseBaseMusic(bool playersOwn, bool ownerKnown, float relation)
{
    const SBaseMusic neutral{"MUS_INT_BASE_NEUTRAL", "MUS_FX_INT_BASE_NEUTRAL"};
    const SBaseMusic ours{"MUS_INT_BASE_OUR", "MUS_FX_INT_BASE_OUR"};
    const SBaseMusic enemy{"MUS_INT_BASE_ENEMY", "MUS_FX_INT_BASE_ENEMY"};
    if (playersOwn) return ours;
    if (!ownerKnown) return neutral;
    if (relation < -1.0f / 3.0f) return enemy;
    if (relation > 1.0f / 3.0f) return ours;
    return neutral;
}

CUIDialog::CUIDialog() = default;

CUIDialog::~CUIDialog()
{
    delete m_pScreen;
    for (int i = 0; i < m_nStack; ++i)
        delete m_Stack[i];
    if (m_pDialogGraphic)
    {
        m_pDialogGraphic->Done();
        delete m_pDialogGraphic;
    }
    RemoveAllControls();
}

bool CUIDialog::SetUI(int classIndex, bool worldBehind)
{
    m_bWorldBehind = worldBehind ? 1 : 0;
    if (!m_pDialogGraphic)
    {
        m_pDialogGraphic = CreateClassInstanceAs<IGraphicInterface>(int(g_iIGraphicInterface));
        if (m_pDialogGraphic) m_pDialogGraphic->Init(nullptr);
    }
    IUI* screen = CreateClassInstanceAs<IUI>(classIndex);
    if (!screen)
    {
        g_ErrorLog.LogError("CUIDialog::SetUI: no screen of class %d", classIndex);
        return false;
    }
    SetScreen(screen, worldBehind);
    return true;
}

void CUIDialog::SetScreen(IUI* screen, bool worldBehind)
{
    m_bWorldBehind = worldBehind ? 1 : 0;
    delete m_pScreen;
    m_pScreen = screen;
    if (screen) screen->Init(m_pDialogGraphic, g_pInput);
    const EScreenKind kind = ScreenKindOf(screen);
    m_bMainOrPause = kind == EScreenKind::kMain || kind == EScreenKind::kEsc;
}

bool CUIDialog::PushScreen(IUI* screen)
{
    if (m_nStack >= kStackDepth) return false;
    m_Stack[m_nStack++] = screen;
    return true;
}

void CUIDialog::SetParam(void* param)
{
    if (m_pScreen) m_pScreen->SetParam(param);
}

void CUIDialog::OpenPauseScreen()
{
    const EScreenKind kind = ScreenKindOf(m_pScreen);
    IUI* pause = CreateClassInstanceAs<IUI>(ClassIndexOf("IGUID_CEscUI"));
    // With no pause screen, or no room under it, the screen stays as it is.
    if (!pause || m_nStack >= kStackDepth)
    {
        delete pause;
        return;
    }
    if ((kind == EScreenKind::kBuilding || kind == EScreenKind::kGlider) && Music()) Music()->Pause(true, 0.5f);
    PushScreen(m_pScreen);
    if (kind == EScreenKind::kBuilding && g_pDialogHost) g_pDialogHost->SetOpenedFromBuilding(pause);
    pause->Init(m_pDialogGraphic, g_pInput);
    m_pScreen = pause;
    m_bMainOrPause = 1;
}

void CUIDialog::ClosePauseScreen()
{
    IUI* ended = m_pScreen;
    IUI* under = m_Stack[m_nStack - 1];
    if (ScreenKindOf(ended) == EScreenKind::kEsc)
    {
        const int result = ended->GetResult();
        std::string caption, file;
        switch (result)
        {
        case 1001:
        case 1006:
            under->EndModal(result);
            m_bDone = 1;
            break;
        case 1003:
            if (g_pDialogHost && g_pDialogHost->GetChosenSave(ended, &caption, &file))
                g_pDialogHost->LoadGame(file.c_str());
            under->EndModal(1003);
            m_bDone = 1;
            break;
        case 1007:
            if (g_pDialogHost && g_pDialogHost->GetChosenSave(ended, &caption, &file))
            {
                const EScreenKind kind = ScreenKindOf(under);
                const bool inBuilding = kind == EScreenKind::kBuilding || kind == EScreenKind::kTunnel;
                g_pDialogHost->SaveGame(file.c_str(), caption.c_str(), inBuilding,
                                        inBuilding ? GetBuildingName() : "");
            }
            break;
        default:
            break;
        }
        m_bMainOrPause = 0;
    }
    delete ended;
    m_pScreen = under;
    m_Stack[--m_nStack] = nullptr;
    const EScreenKind kind = ScreenKindOf(m_pScreen);
    if ((kind == EScreenKind::kBuilding || kind == EScreenKind::kGlider) && Music()) Music()->Pause(false, 0.5f);
}

void CUIDialog::ProcessMessages()
{
    if (m_pScreen && !m_bClosing) m_pScreen->ProcessMessages();
    CBaseMenu::ProcessMessages();
    ProcessMusic(1);
    const bool f10 = m_pInput && m_pInput->IsPressed(kKeyF10);
    const bool escape = m_pInput && m_pInput->IsPressed(kKeyEscape);
    if ((f10 || escape) && m_pScreen)
    {
        if (g_pDialogHost) g_pDialogHost->FreezeBackground();
        const EScreenKind kind = ScreenKindOf(m_pScreen);
        // The main menu acts on the keys itself.
        if (kind == EScreenKind::kMain) return;
        if (kind == EScreenKind::kEsc || kind == EScreenKind::kBox)
            m_pScreen->EndModal(1000);
        else if (g_pDialogHost && g_pDialogHost->IsScreenBusy(m_pScreen))
            ;
        else if (f10)
            OpenPauseScreen();
        else
            m_pScreen->EndModal(1000);
    }
    if (m_pScreen && m_pScreen->IsDone() && m_nStack > 0) ClosePauseScreen();
    if (m_pScreen && m_pScreen->IsDone() && !m_bClosing)
    {
        m_nResult = m_pScreen->GetResult();
        m_bClosing = 1;
        m_fFadeTime = kShowTime;
    }
    m_fFadeTime += m_bClosing ? -m_fFrameTime : m_fFrameTime;
    if (m_bClosing && m_fFadeTime < 0.0f) m_bDone = 1;
}

void CUIDialog::ProcessMusic(int stage)
{
    XTRACE("CUIDialog::ProcessMusic");
    IMusicManager* music = Music();
    if (!music) return;
    const EScreenKind kind = ScreenKindOf(m_pScreen);
    if (stage == 0)
    {
        float fade = 2.0f;
        if (kind == EScreenKind::kEsc)
        {
            m_bResumeMusic = 1;
            fade = 0.5f;
        }
        else
        {
            const int situation = g_pDialogHost->GetMusicSituation();
            m_bResumeMusic =
                situation == 1 || situation == 2 ? g_pDialogHost->GetMusicTimeLeft() >= kMusicLeftToPause : 1;
        }
        if (m_bResumeMusic)
            music->Pause(true, fade);
        else
            music->StopMusic(fade);
        if (kind == EScreenKind::kGlider) music->PlayMusic(music->FindName("MUS_INT_HOLD"), 2.0f, true, 0.0f);
    }
    else if (stage == 2)
    {
        if (kind == EScreenKind::kGlider) music->StopMusic(0.5f);
        if (m_bResumeMusic) music->Pause(false, 2.0f);
    }
}

void CUIDialog::PreProcess()
{
    XTRACE("CUIDialog::PreProcess");
    if (m_pDialogGraphic) m_pDialogGraphic->CreateObjects();
    CBaseMenu::PreProcess();
}

void CUIDialog::PostProcess(int)
{
    XTRACE("CUIDialog::PostProcess");
    if (m_pDialogGraphic) m_pDialogGraphic->ReleaseObjects();
    ProcessMusic(2);
    CBaseMenu::PostProcess(1);
}

void CUIMainDialog::ProcessMusic(int stage)
{
    XTRACE("CUIMainDialog::ProcessMusic");
    IMusicManager* music = Music();
    if (!music) return;
    if (stage == 0)
    {
        music->StopMusic(0.5f);
        music->PlayMusic(music->FindName("MUS_INT_MENU"), 10.0f, true, 0.0f);
    }
    else if (stage == 2)
    {
        music->StopMusic(0.5f);
    }
}

void CUIBaseDialog::SetParam(void* param)
{
    CUIDialog::SetParam(param);
    if (param)
    {
        CopyName(m_szBuildingName, static_cast<const char*>(param));
    }
}

void CUIBaseDialog::ChoiceMusic()
{
    XTRACE("CUIBaseDialog::ChoiceMusic");
    bool playersOwn = false, ownerKnown = false;
    float relation = 0.0f;
    SBuildingRecord* building = g_pWorld ? g_pWorld->FindBuilding(m_szBuildingName) : nullptr;
    if (building)
    {
        char owner[33] = {};
        CopyName(owner, building->owner);
        const CMech* player = g_pWorld->GetPlayerMech();
        if (player && SameName(owner, player->m_szOrg))
        {
            playersOwn = true;
        }
        else if (IOrgManager* orgs = g_MMEngine.m_pOrgManager)
        {
            const std::int32_t other = orgs->FindByName(owner);
            const std::int32_t own = player ? orgs->FindByName(player->m_szOrg) : -1;
            if (other >= 0 && own >= 0)
            {
                ownerKnown = true;
                relation = orgs->GetRelation(own, other, false);
            }
        }
    }
    const SBaseMusic pair = ChooseBaseMusic(playersOwn, ownerKnown, relation);
    IMusicManager* music = Music();
    m_nBaseMusic = music ? music->FindName(pair.music) : -1;
    m_nEffectMusic = music ? music->FindName(pair.effect) : -1;
}

void CUIBaseDialog::ProcessMusic(int stage)
{
    XTRACE("CUIBaseDialog::ProcessMusic");
    const EScreenKind kind = ScreenKindOf(m_pScreen);
    if (kind != EScreenKind::kBuilding && kind != EScreenKind::kTunnel) return;
    IMusicManager* music = Music();
    if (!music) return;
    IDialogHost* host = g_pDialogHost;
    if (stage == 0)
    {
        ChoiceMusic();
        m_bSilence = 0;
        music->StopMusic(0.5f);
        music->PlayMusic(m_nBaseMusic, 10.0f, false, 10.0f);
        host->SetMusicSituation(3);
        if (g_Settings.SoundVolume != 0.0f)
            if (IMusic* effect = host->GetMusicObject(m_nEffectMusic))
            {
                effect->SetVolume(g_Settings.SoundVolume);
                effect->Play(true, 0);
            }
    }
    else if (stage == 1)
    {
        if (m_bSilence)
        {
            // The silence is over: a new choice (the relation may have
            // changed), faded in.
            if (!host->IsSilence())
            {
                ChoiceMusic();
                music->PlayMusic(m_nBaseMusic, 3.0f, false, 10.0f);
                m_bSilence = 0;
            }
        }
        else if (!host->IsMusicBusy())
        {
            host->SetSilence(kSilence);
            m_bSilence = 1;
        }
    }
    else if (stage == 2)
    {
        for (const char* name : {"MUS_FX_INT_BASE_ENEMY", "MUS_FX_INT_BASE_OUR", "MUS_FX_INT_BASE_NEUTRAL"})
        {
            IMusic* effect = host->GetMusicObject(music->FindName(name));
            if (effect && effect->IsMusicPlayed()) effect->Stop();
        }
        if (m_bSilence)
            host->SetSilence(0.0f);
        else
            music->StopMusic(0.5f);
    }
}
