// Headless pieces for the menus' tests: a drawing recorder that also keeps
// the sheet pieces it is asked to draw (texture name, screen rectangle, the
// texels its corners read, swapped along a mirrored axis, the sheet's size
// and the technique) and has a screen size of the test's choosing; a game
// script manager that records the procedures it is asked to run and holds a
// results table the test fills; and a screen fixture with the UI kit's fake
// input and clock, the text database fake and both installed as the
// program's.
#pragma once

#include "ui/FakeTextDB.h"
#include "ui/UITestKit.h"

#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace plat
{
inline bool operator==(const Rect& a, const Rect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const Rect& r, std::ostream* out)
{
    *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
} // namespace plat

namespace menutest
{

struct SSprite
{
    std::string texture;
    plat::Rect screen;
    std::array<int, 4> source;
    std::array<int, 2> size;
    int technique;
};

class CSpriteRecorder : public uitest::CDrawRecorder
{
public:
    plat::Point GetScreenSize() override { return m_Size; }
    CTexture* DrawTextureUV(CGuidKey& texture, const int* screen, const int* size, const int* source,
                            int technique) override
    {
        m_Sprites.push_back(SSprite{texture.name,
                                    plat::Rect{screen[0], screen[1], screen[2], screen[3]},
                                    {source[0], source[1], source[2], source[3]},
                                    {size[0], size[1]},
                                    technique});
        return nullptr;
    }
    void SelectFont(int big) override { m_nFont = big; }
    int GetTextHeight() override { return m_nFont ? 24 : m_nLineHeight; }

    // The sprites drawn from a texture.
    std::vector<SSprite> From(const char* texture) const
    {
        std::vector<SSprite> out;
        for (const SSprite& s : m_Sprites)
            if (s.texture == texture) out.push_back(s);
        return out;
    }
    void Clear()
    {
        m_Sprites.clear();
        m_Ops.clear();
    }

    plat::Point m_Size{1024, 768};
    std::vector<SSprite> m_Sprites;
    int m_nFont = 0;
};

// The words a markup window shows (its visible text and link elements),
// joined by spaces, and whether it has a block of that id.
inline std::string WindowText(const CHTMLWnd& window)
{
    std::string out;
    const CHTMLObject* doc = window.GetDocument();
    if (!doc) return out;
    for (int i = 0; i < doc->m_iStrNum; ++i)
    {
        const SHTMLElement& e = doc->m_Elements[std::size_t(i)];
        if ((e.Type != SHTMLElement::kText && e.Type != SHTMLElement::kLink) || !e.Visible || e.Text.empty())
            continue;
        if (!out.empty()) out += ' ';
        out += e.Text;
    }
    return out;
}
inline bool HasBlock(const CHTMLWnd& window, const char* id)
{
    return window.GetDocument() && window.GetDocument()->FindBlock(id) >= 0;
}

// The script manager's side the menus use: procedures run (recorded; the
// test's hook may add results), the current object, the results table.
class CScriptRecorder : public IScriptManager
{
public:
    struct SCall
    {
        std::string script, procedure, object;
    };

    CGuidKey GetGUID() const override { return CGuidKey(); }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    bool Init() override { return true; }
    void Done() override {}
    void Reset() override {}
    bool RunEvent(const char*, const char*, const char*) override { return false; }
    int RunScript(const char*, int) override { return 0; }
    const char* RunScriptProc(const char* script, const char* proc, const char* object, bool remember,
                              const char*) override
    {
        m_Calls.push_back(SCall{script ? script : "", proc ? proc : "", object ? object : ""});
        if (remember) m_Current = script ? script : "";
        if (m_OnRun) m_OnRun(m_Calls.back());
        return nullptr;
    }
    const char* GetCurrentScript() override { return m_Current.c_str(); }
    SScriptResults* GetResults() override { return &m_Results; }
    void Run(float) override {}
    const char* UserFunc(int, const char*, const char*, const char*, const char*, const char*, int) override
    {
        return nullptr;
    }
    int UserFuncInt(int, const char*, const char*, const char*, const char*, const char*, int) override
    {
        return 0;
    }
    void SaveToStream(CMemStream&) override {}
    bool LoadFromStream(CMemStream&) override { return true; }
    void UpdateStringWithNames(CXAnsiString& text) override { text.Replace("%NAME", "Rex"); }

    void Add(std::int32_t type, const char* text, std::int32_t value = 0, const char* script = "")
    {
        SScriptResult& r = m_Results.m_Results[m_Results.m_iResultCount++];
        std::memset(&r, 0, sizeof r);
        std::snprintf(r.text, sizeof r.text, "%s", text);
        std::snprintf(r.script, sizeof r.script, "%s", script);
        r.value = value;
        r.type = type;
    }
    // A speech record: the text key, then the speaking mechanoid.
    void AddSpeech(const char* key, const char* mech)
    {
        Add(11, "");
        SScriptResult& r = m_Results.m_Results[m_Results.m_iResultCount - 1];
        std::snprintf(r.text, 64, "%s", key);
        std::snprintf(r.text + 64, 64, "%s", mech);
    }

    std::vector<SCall> m_Calls;
    std::string m_Current = "sample_hall";
    SScriptResults m_Results{};
    std::function<void(const SCall&)> m_OnRun;
};

// A 1024 x 768 screen over the UI kit's fakes, with the text database and
// the script manager installed for the test.
class CMenuTest : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_savedScripts = g_pScriptManager;
        m_savedTexts = g_pTextDB;
        g_pScriptManager = &m_Scripts;
        g_pTextDB = &m_Texts;
    }
    void TearDown() override
    {
        g_pScriptManager = m_savedScripts;
        g_pTextDB = m_savedTexts;
        testutil::CLogDirTest::TearDown();
    }
    void Text(const char* key, const char* text, const char* name = "")
    {
        m_Texts.m_Entries[key] = {text, name};
    }

    // One input pass of the screen, then the frame's input is over.
    template <class F> void Frame(IUI& screen, int x, int y, F before)
    {
        m_Input.m_Cursor = plat::Point{x, y};
        before();
        screen.ProcessMessages();
        m_Input.EndFrame();
        m_Clock.Advance(0.1);
    }
    void Frame(IUI& screen, int x = 0, int y = 0)
    {
        Frame(screen, x, y, [] {});
    }
    void Key(IUI& screen, int code)
    {
        Frame(screen, 0, 0, [&] { m_Input.Press(code); });
    }
    // Hover, press and release on a point.
    void Click(IUI& screen, int x, int y)
    {
        Frame(screen, x, y);
        Frame(screen, x, y, [&] { m_Input.Press(uicode::kLeftButton); });
        Frame(screen, x, y, [&] { m_Input.Release(uicode::kLeftButton); });
    }

    uitest::CFakeInput m_Input;
    CSpriteRecorder m_Graphic;
    uitest::CFakeClock m_Clock;
    uitest::CFakeTextDB m_Texts;
    CScriptRecorder m_Scripts;

private:
    IScriptManager* m_savedScripts = nullptr;
    ITextDB* m_savedTexts = nullptr;
};

} // namespace menutest
