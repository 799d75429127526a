// Message boxes: SDL's own, or standard error where nobody could see one.
#include "platform/detail/WindowObject.h"

#include "platform/CodePage.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace plat
{
namespace
{

constexpr std::uint32_t MB_TYPEMASK = 0x0000000F;
constexpr std::uint32_t MB_ICONMASK = 0x000000F0;

int FirstAnswer(std::uint32_t flags)
{
    return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : static_cast<int>(IDOK);
}

bool NobodyWatches()
{
    if (!detail::InitVideo()) return true;
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

int ToStandardError(const std::string& text, const std::string& caption, std::uint32_t flags)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return FirstAnswer(flags);
}

} // namespace

int MessageBox(Window* hwnd, const char* text, const char* caption, std::uint32_t flags)
{
    const std::string utf8Text = Cp1251ToUtf8(text ? text : "");
    const std::string utf8Caption = Cp1251ToUtf8(caption ? caption : "");
    if (NobodyWatches()) return ToStandardError(utf8Text, utf8Caption, flags);

    std::vector<SDL_MessageBoxButtonData> buttons;
    switch (flags & MB_TYPEMASK)
    {
    case MB_YESNO:
        buttons.push_back({SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"});
        buttons.push_back({SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"});
        break;
    case MB_OKCANCEL:
        buttons.push_back({SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, static_cast<int>(IDOK), "OK"});
        buttons.push_back({SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, static_cast<int>(IDCANCEL), "Cancel"});
        break;
    default:
        buttons.push_back({SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                           static_cast<int>(IDOK), "OK"});
        break;
    }
    Uint32 kind = SDL_MESSAGEBOX_INFORMATION;
    switch (flags & MB_ICONMASK)
    {
    case MB_ICONERROR:
        kind = SDL_MESSAGEBOX_ERROR;
        break;
    case MB_ICONWARNING:
        kind = SDL_MESSAGEBOX_WARNING;
        break;
    default:
        break;
    }
    SDL_MessageBoxData data{};
    data.flags = kind;
    // A hidden or destroyed owner would hide the box with it.
    Window* owner = detail::LiveWindow(hwnd);
    data.window = owner && owner->m_bVisible ? owner->m_pSdlWindow : nullptr;
    data.title = utf8Caption.c_str();
    data.message = utf8Text.c_str();
    data.numbuttons = static_cast<int>(buttons.size());
    data.buttons = buttons.data();
    int answer = 0;
    if (SDL_ShowMessageBox(&data, &answer) != 0)
    {
        detail::LogWindowError("message box failed", SDL_GetError(), true);
        return ToStandardError(utf8Text, utf8Caption, flags);
    }
    // Closing the box by its frame gives -1: the escape answer, as on Windows.
    if (answer < 0) answer = buttons.size() > 1 ? buttons[1].buttonid : buttons[0].buttonid;
    return answer;
}

} // namespace plat
