#include "menus/MainUI.h"

#include "app/AppClasses.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "menus/AuthorsDialog.h"
#include "menus/MainMenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/ModsDialog.h"
#include "menus/NewGameGC.h"
#include "menus/OptionControlList.h"
#include "menus/OptionDialog.h"
#include "menus/QueryMessageBox.h"
#include "app/ScreenRequests.h"
#include "ui/GroupControl.h"
#include "ui/UICodes.h"
#include "ui/markup/PictureButton.h"
#include "world/MMEngine.h"

#include <cstdio>
#include <new>

using namespace menus;

std::uint32_t g_iCMainUI = 0;
std::uint32_t g_iCEscUI = 0;

namespace
{
struct SItem
{
    int command;
    const char* caption; // code page 1251
};

constexpr SItem kMainItems[CMainUI::kItems] = {
    {CMainUI::kNewGame, "\xcd\xee\xe2\xe0\xff \xe8\xe3\xf0\xe0"},   // Новая игра
    {CMainUI::kLoad, "\xc7\xe0\xe3\xf0\xf3\xe7\xea\xe0"},             // Загрузка
    {CMainUI::kMods, "\xcc\xee\xe4\xfb"},                             // Моды
    {CMainUI::kSettings, "\xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8"},     // Настройки
    {CMainUI::kAuthors, "\xc0\xe2\xf2\xee\xf0\xfb"},                  // Авторы
    {CMainUI::kExit, "\xc2\xfb\xf5\xee\xe4"},                         // Выход
};
constexpr SItem kPauseItems[CMainUI::kItems] = {
    {CMainUI::kContinue, "\xcf\xf0\xee\xe4\xee\xeb\xe6\xe8\xf2\xfc"},  // Продолжить
    {CMainUI::kLoad, "\xc7\xe0\xe3\xf0\xf3\xe7\xea\xe0"},              // Загрузка
    {CMainUI::kSave, "\xd1\xee\xf5\xf0\xe0\xed\xe5\xed\xe8\xe5"},      // Сохранение
    {CMainUI::kSettings, "\xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8"},      // Настройки
    {CMainUI::kMainMenu, "\xc3\xeb\xe0\xe2\xed\xee\xe5 \xec\xe5\xed\xfe"}, // Главное меню
    {CMainUI::kExit, "\xc2\xfb\xf5\xee\xe4"},                          // Выход
};

constexpr int kItemLeft = 3, kItemRight = 180, kItemTop = 119, kItemHeight = 32, kItemPitch = 47;
constexpr int kPanelMargin = 4;
constexpr int kGlowHalf = 16;
// The panel's picture on the interface sheet.
constexpr int kPanelPictureTop = 357;
constexpr int kPanelTechnique = 0x13;
constexpr std::uint32_t kGroupColours[4] = {0xFF35699E, 0xFF194B7F, 0xFF5094C6, 0xFFFFFFFF};
constexpr plat::Rect kQuestionRect{0, 0, 350, 150};

template <class T> IBaseInterface* CreateObject()
{
    return new (std::nothrow) T();
}

template <class T> void Drop(CGroupControl* group, std::unique_ptr<T>& dialog)
{
    if (!dialog) return;
    if (group) group->RemoveControl(dialog.get());
    dialog.reset();
}
} // namespace

void RegisterMainMenuClasses()
{
    RegisterClassFactory(&g_iCMainUI, CreateObject<CMainUI>, "IGUID_CMainUI");
    RegisterClassFactory(&g_iCEscUI, CreateObject<CEscUI>, "IGUID_CEscUI");
}

CMainUI::CMainUI(bool pause) : m_bPause(pause) {}

CMainUI::~CMainUI()
{
    CloseDialogs();
    Drop(m_pMainGroup, m_pQuestion);
    // The group unlinks the items before they go.
    delete m_pMainGroup;
    m_pMainGroup = nullptr;
    m_pPopup = nullptr;
}

CGuidKey CMainUI::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, m_bPause ? "IGUID_CEscUI" : "IGUID_CMainUI");
}

void CMainUI::Init(IGraphicInterface* graphic, IInput* input)
{
    XTRACE("CMainUI::Init");
    IUI::Init(graphic, input);
    m_iPending = kNoQuestion;
    Layout(false);
}

void CMainUI::Rebuild()
{
    XTRACE("CMainUI::Rebuild");
    Layout(true);
}

void CMainUI::Layout(bool rebuild)
{
    const plat::Point size = m_pGraphic ? m_pGraphic->GetScreenSize() : plat::Point{1024, 768};
    const plat::Point origin = MainMenuOrigin(size.x, size.y);
    const int x = origin.x, y = origin.y;

    auto* group = CreateClassInstanceAs<CGroupControl>(int(g_iIGroupControl));
    if (!group) group = new CGroupControl();
    group->Init(plat::Rect{x, y, x + kGroupWidth, y + kGroupHeight}, this);

    // A rebuild leaves the old group and items behind; an open dialog moves
    // to the new group where it is.
    CGroupControl* old = rebuild ? m_pMainGroup : nullptr;
    std::array<std::unique_ptr<CMainMenuButton>, kItems> oldItems;
    if (rebuild) oldItems.swap(m_Items);
    const int selectedCommand = m_pSelected ? m_pSelected->m_iCommand : 0;
    m_pSelected = nullptr;

    const SItem* items = m_bPause ? kPauseItems : kMainItems;
    for (int i = 0; i < kItems; ++i)
    {
        auto item = std::make_unique<CMainMenuButton>();
        const int top = kItemTop + kItemPitch * i;
        item->Create(kItemLeft, top, kItemRight, top + kItemHeight, items[i].caption, CButton::kPush,
                     items[i].command);
        item->SetPicture(items[i].command);
        if (items[i].command == kMods) item->Enable(1);
        if (items[i].command == kSave) item->Enable(g_MMEngine.m_bOutsideSave == 1 ? 1 : 0);
        if (items[i].command == selectedCommand)
        {
            item->SetOn(true);
            m_pSelected = item.get();
        }
        group->AddControl(item.get());
        m_Items[std::size_t(i)] = std::move(item);
    }
    CGuidKey sheet = TextureKey(kUI1);
    group->SetUID(sheet);
    group->SetStyle(0, 0, kGroupColours[0], kGroupColours[1], kGroupColours[2], kGroupColours[3]);
    m_Panel = plat::Rect{x - kPanelMargin, y - kPanelMargin, x + kGroupWidth + kPanelMargin,
                         y + kGroupHeight + kPanelMargin};

    if (old)
    {
        m_pHovered = nullptr;
        Drop(old, m_pNewGame);
        // The options dialog was laid out for the old size: it closes.
        if (m_pOptions && m_pSelected && m_pSelected->m_iCommand == kSettings) m_pSelected = nullptr;
        Drop(old, m_pOptions);
        for (CGroupControl* dialog : {m_pSaveLoad.get(), static_cast<CGroupControl*>(m_pAuthors.get()),
                                      static_cast<CGroupControl*>(m_pMods.get())})
            if (dialog)
            {
                old->RemoveControl(dialog);
                group->AddControlAt(dialog);
            }
        if (m_pQuestion)
        {
            old->RemoveControl(m_pQuestion.get());
            group->AddControlAt(m_pQuestion.get());
        }
        delete old;
        m_pMainGroup = nullptr;
    }
    SetMainGroup(group);

    if (!m_bPause && (!rebuild || CountDialogs() == 0))
    {
        const int w = m_Panel.right - m_Panel.left, h = m_Panel.bottom - m_Panel.top;
        m_pNewGame = std::make_unique<CNewGameGC>();
        m_pNewGame->Init(plat::Rect{w, -kPanelMargin, w + kDialogWidth, h - kPanelMargin}, this);
        group->AddControl(m_pNewGame.get());
    }
    group->Show();
}

bool CMainUI::IsBusy()
{
    return m_pOptions && m_pOptions->m_pKeyList && m_pOptions->m_pKeyList->IsCapturing();
}

plat::Rect CMainUI::DialogAreaInGroup() const
{
    const plat::Rect area = GetDialogArea();
    const plat::Rect& origin = m_pMainGroup ? m_pMainGroup->m_Rect : plat::Rect{};
    return plat::Rect{area.left - origin.left, area.top - origin.top, area.right - origin.left,
                      area.bottom - origin.top};
}

plat::Rect CMainUI::GetDialogArea() const
{
    const int left = m_Panel.right + kPanelMargin;
    return plat::Rect{left, m_Panel.top, left + kDialogWidth, m_Panel.bottom};
}

int CMainUI::CountDialogs() const
{
    return (m_pSaveLoad ? 1 : 0) + (m_pAuthors ? 1 : 0) + (m_pNewGame ? 1 : 0) + (m_pOptions ? 1 : 0) +
           (m_pMods ? 1 : 0);
}

void CMainUI::SetParameters(const SMenuParameters& parameters)
{
    std::snprintf(m_szCaption, sizeof m_szCaption, "%.*s", int(sizeof parameters.caption), parameters.caption);
    std::snprintf(m_szFile, sizeof m_szFile, "%.*s", int(sizeof parameters.file), parameters.file);
}

void CMainUI::SetSaveInfo(const SSaveChoice& choice)
{
    SMenuParameters parameters{};
    std::snprintf(parameters.caption, sizeof parameters.caption, "%.*s", int(sizeof choice.label), choice.label);
    std::snprintf(parameters.file, sizeof parameters.file, "%.*s", int(sizeof choice.file), choice.file);
    SetParameters(parameters);
}

void CMainUI::GetParameters(SMenuParameters& parameters) const
{
    std::snprintf(parameters.caption, sizeof parameters.caption, "%s", m_szCaption);
    std::snprintf(parameters.file, sizeof parameters.file, "%s", m_szFile);
}

bool CMainUI::GetChosenSave(std::string& caption, std::string& file)
{
    if (!m_szFile[0]) return false;
    caption = m_szCaption;
    file = m_szFile;
    return true;
}

// ---- drawing

void CMainUI::DrawGlowFrame()
{
    if (!m_pGraphic) return;
    int right = m_Panel.right;
    if (m_pNewGame && m_pNewGame->m_bVisible) right = m_pNewGame->m_Rect.right;
    if (m_pSaveLoad && m_pSaveLoad->m_bVisible)
        right = m_pSaveLoadPanel ? m_pSaveLoadPanel->GetPanelRect().right : m_pSaveLoad->m_Rect.right;
    if (m_pAuthors && m_pAuthors->m_bShown) right = m_pAuthors->m_Frame.right;
    if (m_pOptions && m_pOptions->m_bVisible) right = m_pOptions->m_Frame.right;
    if (m_pMods && m_pMods->m_bVisible) right = m_pMods->m_Frame.right;
    CGuidKey glow = TextureKey("TEX_INT_EFECTOR_SIDED_GLOW");
    const int cell = GlowCell();
    const int b = kGlowHalf;
    const plat::Rect& p = m_Panel;
    m_pGraphic->SetFade(1.0f);
    DrawGlowCell(m_pGraphic, glow, cell, {p.left - b, p.top - b, right + b, p.top + b}, false);
    DrawGlowCell(m_pGraphic, glow, cell, {p.left - b, p.bottom - b, right + b, p.bottom + b}, false);
    DrawGlowCell(m_pGraphic, glow, cell, {p.left - b, p.top - b, p.left + b, p.bottom + b}, true);
    DrawGlowCell(m_pGraphic, glow, cell, {right - b, p.top - b, right + b, p.bottom + b}, true);
}

void CMainUI::Render()
{
    DrawGlowFrame();
    if (m_pNewGame) m_pNewGame->m_uBackground = kBackground;
    if (m_pAuthors) m_pAuthors->m_uBackground = kBackground;
    if (m_pMods) m_pMods->m_uBackground = kBackground;
    if (m_pGraphic)
    {
        FillRect(m_pGraphic, m_Panel, kBackground);
        m_pGraphic->SetFade(1.0f);
        const plat::Rect inner{m_Panel.left + kPanelMargin, m_Panel.top + kPanelMargin,
                               m_Panel.right - kPanelMargin, m_Panel.bottom - kPanelMargin};
        DrawSheetPiece(m_pGraphic, kUI1, inner, 0, kPanelPictureTop, kSheetSize, kPanelPictureTop + kSheetSize,
                       kPanelTechnique);
    }
    IUI::Render();
}

// ---- input and commands

void CMainUI::ProcessMessages()
{
    if (m_bRebuildPending)
    {
        m_bRebuildPending = false;
        Rebuild();
    }
    if (!m_bPause && !IsBusy() && m_iPending != kQuitQuestion && m_pInput && m_pInput->IsPressed(kKeyEscape))
    {
        Ask(kQuitQuestion);
        return;
    }
    IUI::ProcessMessages();
}

void CMainUI::OnCommand(int code, int param)
{
    // What the question box passes up while it is being answered is its own.
    if (IsForwardingToPopup()) return;
    IUI::OnCommand(code, param);
    switch (code)
    {
    case uicode::kPopupResult:
        if (param != 1)
            m_iPending = kNoQuestion;
        else if (m_iPending == kQuitQuestion)
            EndModal(kResultQuit);
        else if (m_iPending == kMainMenuQuestion)
            EndModal(kResultMainMenu);
        else if (m_pSaveLoad && !m_bForwarding)
        {
            // Once: what the panel passes up again is not sent back to it.
            m_bForwarding = true;
            m_pSaveLoad->OnCommand(uicode::kPopupResult, 1);
            m_bForwarding = false;
        }
        return;
    case uicode::kPopupRemoved:
        // The box the screen has just taken off, once answered.
        if (m_pQuestion && m_pQuestion->GetResult() != 0 && m_pPopup != m_pQuestion.get())
            Drop(m_pMainGroup, m_pQuestion);
        return;
    case kNewGame:
        if (!m_bPause) EndModal(kResultNewGame);
        return;
    case kContinue:
        if (m_bPause) EndModal(kResultContinue);
        return;
    case kLoad:
        OpenSaveLoad(false, FindItem(code));
        return;
    case kSave:
        OpenSaveLoad(true, FindItem(code));
        return;
    case kAuthors:
        OpenAuthors(FindItem(code));
        return;
    case kSettings:
        OpenOptions(FindItem(code));
        return;
    case kMods:
        if (!m_bPause) OpenMods(FindItem(code));
        return;
    case kMainMenu:
        Ask(kMainMenuQuestion);
        return;
    case kExit:
        Ask(kQuitQuestion);
        return;
    default:
        return;
    }
}

CMainMenuButton* CMainUI::FindItem(int command) const
{
    for (const auto& item : m_Items)
        if (item && item->m_iCommand == command) return item.get();
    return nullptr;
}

int CMainUI::GetHoveredItem() const
{
    for (int i = 0; i < kItems; ++i)
        if (m_Items[std::size_t(i)] && m_Items[std::size_t(i)]->m_bHovered) return i;
    return -1;
}

void CMainUI::HighlightItem(int n, bool on)
{
    if (n < 0 || n >= kItems || !m_Items[std::size_t(n)]) return;
    CMainMenuButton& item = *m_Items[std::size_t(n)];
    item.m_bHovered = on ? 1 : 0;
    item.OnCommand(uicode::kMouseOver, 0);
}

void CMainUI::Ask(int pending)
{
    XTRACE("CMainUI::Ask");
    if (!m_pMainGroup) return;
    // A box still shown (the other question) goes first.
    if (m_pQuestion)
    {
        if (m_pPopup == m_pQuestion.get()) SetPopup(nullptr);
        Drop(m_pMainGroup, m_pQuestion);
    }
    m_iPending = pending;
    const bool quit = pending == kQuitQuestion;
    const char* first = quit ? "INT_QUIT_CONFIRM1" : "INT_QUIT_CONFIRM3";
    const char* second = quit ? "INT_QUIT_CONFIRM2" : "INT_QUIT_CONFIRM4";
    m_pQuestion = std::make_unique<CQueryMessageBox>();
    m_pQuestion->Init(kQuestionRect, this,
                      CQueryMessageBox::kFlagOK | CQueryMessageBox::kFlagCancel | CQueryMessageBox::kFlagCentreScreen);
    m_pQuestion->AddLine(TextOf(first).c_str());
    m_pQuestion->AddLine(TextOf(second).c_str());
    m_pQuestion->SetCaption(NameOf(first).c_str());
    m_pMainGroup->AddControl(m_pQuestion.get());
    SetPopup(m_pQuestion.get());
}

void CMainUI::Select(CMainMenuButton* item)
{
    if (m_pSelected) m_pSelected->SetOn(false);
    m_pSelected = item;
    if (item) item->SetOn(true);
}

void CMainUI::CloseDialogs()
{
    if (m_pSaveLoad)
    {
        if (m_pMainGroup) m_pMainGroup->RemoveControl(m_pSaveLoad.get());
        m_pSaveLoadPanel = nullptr;
        m_pSaveLoad.reset();
    }
    Drop(m_pMainGroup, m_pAuthors);
    Drop(m_pMainGroup, m_pNewGame);
    Drop(m_pMainGroup, m_pOptions);
    Drop(m_pMainGroup, m_pMods);
}

void CMainUI::ShowDialog(CGroupControl* dialog)
{
    m_pMainGroup->AddControl(dialog);
    m_pMainGroup->Show();
}

void CMainUI::OpenSaveLoad(bool save, CMainMenuButton* item)
{
    XTRACE("CMainUI::OpenSaveLoad");
    if (!m_pMainGroup || (item && !item->m_bEnabled)) return;
    const int index = FindClassIndex(ISaveLoadPanel::kClassId);
    IBaseInterface* object = index >= 0 ? CreateClassInstance(index) : nullptr;
    auto* group = dynamic_cast<CGroupControl*>(object);
    auto* panel = dynamic_cast<ISaveLoadPanel*>(object);
    if (!group || !panel)
    {
        delete object;
        g_ErrorLog.LogDebug("CMainUI: the save/load screen (%s) is not available; nothing opens",
                            ISaveLoadPanel::kClassId);
        return;
    }
    Select(item);
    CloseDialogs();
    m_pSaveLoad.reset(group);
    m_pSaveLoadPanel = panel;
    const int width = m_Panel.right - m_Panel.left;
    panel->Init(plat::Rect{width, m_Panel.top, width + kDialogWidth, m_Panel.bottom}, save, this);
    panel->SetPanelRect(GetDialogArea());
    ShowDialog(group);
}

void CMainUI::OpenAuthors(CMainMenuButton* item)
{
    XTRACE("CMainUI::OpenAuthors");
    if (!m_pMainGroup) return;
    Select(item);
    CloseDialogs();
    m_pAuthors = std::make_unique<CAuthorsDialog>();
    m_pAuthors->Init(GetDialogArea(), this);
    ShowDialog(m_pAuthors.get());
}

void CMainUI::OpenOptions(CMainMenuButton* item)
{
    XTRACE("CMainUI::OpenOptions");
    if (!m_pMainGroup) return;
    Select(item);
    CloseDialogs();
    m_pOptions = std::make_unique<COptionDialog>();
    m_pOptions->Init(DialogAreaInGroup(), this);
    ShowDialog(m_pOptions.get());
}

void CMainUI::OpenMods(CMainMenuButton* item)
{
    XTRACE("CMainUI::OpenMods");
    if (!m_pMainGroup) return;
    Select(item);
    CloseDialogs();
    m_pMods = std::make_unique<CModsDialog>();
    m_pMods->Init(DialogAreaInGroup(), this);
    ShowDialog(m_pMods.get());
}
