// A console for the host's tests: a CGMenu with a markup window of its own
// that counts its activations and first-activation hooks (which show the
// pending script results, as the building consoles' hooks do) and records
// the commands the host passes down. RegisterTestConsoles puts it under
// the consoles' class ids, all or some of them.
#pragma once

#include "foundation/ClassFactory.h"
#include "menus/GMenu.h"
#include "menus/UIMenu.h"
#include "script/game/TextDatabase.h"
#include "ui/markup/HTMLWnd.h"

#include <cstdint>
#include <initializer_list>
#include <new>
#include <vector>

namespace menutest
{

class CTestConsole : public CGMenu
{
public:
    void Init(const plat::Rect& rect, IUI* screen) override
    {
        CGMenu::Init(rect, screen);
        // In console coordinates: the group's AddControl moves it.
        m_Window.Init(20, 40, Width() - 20, Height() - 20, screen);
        m_Window.SetTextDB(g_pTextDB);
        AddControl(&m_Window);
        m_pHTML = &m_Window;
    }
    void OnFirstActivation() override
    {
        ++m_nHooks;
        ViewScriptResult();
    }
    void OnActivated() override
    {
        ++m_nActivations;
        CGMenu::OnActivated();
    }
    void OnCommand(int code, int param) override
    {
        m_Commands.push_back(code);
        CGMenu::OnCommand(code, param);
    }
    ~CTestConsole() override { RemoveControl(&m_Window); }

    CHTMLScrollWnd m_Window;
    int m_nHooks = 0;
    int m_nActivations = 0;
    std::vector<int> m_Commands;
};

template <int Tab> IBaseInterface* MakeTestConsole()
{
    return new (std::nothrow) CTestConsole();
}

// Registers the test console under the class ids of the tabs given (all
// ten without a list).
inline void RegisterTestConsoles(std::initializer_list<int> tabs = {})
{
    using Make = IBaseInterface* (*)();
    static const Make kMakers[CUIMenu::kConsoleCount] = {
        MakeTestConsole<0>, MakeTestConsole<1>, MakeTestConsole<2>, MakeTestConsole<3>, MakeTestConsole<4>,
        MakeTestConsole<5>, MakeTestConsole<6>, MakeTestConsole<7>, MakeTestConsole<8>, MakeTestConsole<9>,
    };
    std::uint32_t index = 0;
    if (tabs.size() == 0)
        for (int i = 0; i < CUIMenu::kConsoleCount; ++i)
            RegisterClassFactory(&index, kMakers[i], CUIMenu::kConsoleClassIds[i]);
    for (int i : tabs)
        RegisterClassFactory(&index, kMakers[i], CUIMenu::kConsoleClassIds[i]);
}

} // namespace menutest
