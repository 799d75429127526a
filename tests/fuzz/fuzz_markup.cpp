// Fuzz target of the markup parser and document: any bytes as one piece of
// markup laid out in a small document, followed by the operations that walk
// the element table (scrolling, link selection, hit tests, collapse,
// deletion, drawing into a recorder). Invariants checked: the element table
// never holds more than its 4096 elements and blocks stay inside it.
//
// Built with FUZZ_MARKUP_SEED_WRITER it is instead the seed writer: the
// sample pages that mksample puts into the text database, the markup the
// windows and the message panel build, and damaged variants of each, one
// file each in the directory given.
#include "graphics/GraphicInterface.h"
#include "ui/markup/HTMLObject.h"

#include "foundation/ErrorLog.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{
// Glyph widths that differ by character, so wrapping sees uneven runs.
class CMetrics : public IGraphicInterface
{
public:
    CGuidKey GetGUID() const override { return CGuidKey(); }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Init(void*) override {}
    void Done() override {}
    void ReleaseObjects() override {}
    void CreateObjects() override {}
    plat::Point GetScreenSize() override { return {640, 480}; }
    void FillRect(const int*, std::uint32_t) override {}
    CTexture* DrawTexture(CGuidKey&, const int*, const int*, int) override { return nullptr; }
    CTexture* DrawTextureUV(CGuidKey&, const int*, const int*, const int*, int) override { return nullptr; }
    void SetFade(float) override {}
    void SetBlendColor(std::uint32_t) override {}
    void SetOption(int) override {}
    void SelectFont(int big) override { m_nBig = big; }
    void RenderText(const char* text, int, int, std::uint32_t) override
    {
        m_nDrawn += int(std::strlen(text));
    }
    int TextWidth(const char* text) override
    {
        int w = 0;
        for (const char* p = text; *p; ++p)
            w += 3 + (std::uint8_t(*p) % 9) + m_nBig * 4;
        return w;
    }
    int GetTextHeight() override { return m_nBig ? 22 : 14; }
    void SetViewport(const int*) override {}
    void SetFullViewport() override {}

    int m_nBig = 0;
    int m_nDrawn = 0;
};

class CFuzzDocument : public CHTMLObject
{
public:
    using CHTMLObject::CHTMLObject;
    // No files: every picture is missing and takes its 200 x 150 place,
    // except names starting with "w", which are wide.
    void GetImageSize(const char* name, int* w, int* h) override
    {
        *w = name && name[0] == 'w' ? 500 : 200;
        *h = 150;
    }
    int FindModel(const char*) const override { return -1; }
    void Check() const
    {
        if (m_iStrNum < 0 || m_iStrNum > kMaxElements) __builtin_trap();
        for (const SHTMLBlock& b : m_Blocks)
            if (b.first < 0 || b.first > m_iStrNum || b.last >= m_iStrNum) __builtin_trap();
    }
};
} // namespace

#ifndef FUZZ_MARKUP_SEED_WRITER

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = []
    {
        const auto dir = std::filesystem::temp_directory_path() / "tvx_fuzz_markup";
        std::filesystem::create_directories(dir);
        g_ErrorLog.SetDirectory(dir.c_str());
        return true;
    }();
    (void)ready;
    static CMetrics metrics;
    const std::string text(reinterpret_cast<const char*>(data), size);
    CFuzzDocument doc(10, 20, 310, 220, &metrics);
    // Pictures are looked for in an empty folder.
    doc.Images().m_sBaseDirectory =
        (std::filesystem::temp_directory_path() / "tvx_fuzz_markup").string() + "/";
    doc.SetGameTime(1.0);
    doc.AddText(text.c_str(), "FUZZ", "P", true);
    doc.Check();
    // The second half again as a continuation and as a new block, so the
    // document holds several blocks.
    doc.AddText(text.c_str() + text.size() / 2, "FUZZ2", nullptr, false);
    doc.AddText(text.c_str() + text.size() / 3, "FUZZ", nullptr, true);
    doc.Check();

    doc.Scroll(1000);
    doc.Scroll(-37);
    doc.SetOptions(true, true, true);
    doc.Scroll(55);
    for (int n = 1; n <= 3; ++n)
    {
        std::string target;
        doc.SelRef(target, -1, n % 2, n);
    }
    std::string target;
    int element = -1;
    if (doc.GetRef(20, 30, target, &element)) doc.SelRef(target, element, 0, 1);
    doc.MouseMove(40, 40);
    doc.CollapseAll(true);
    doc.CollapseAll(false);
    doc.ReplaceTextInBlock("FUZZ2", text.substr(0, 64).c_str());
    doc.Render();
    int total = 0, page = 0, position = 0;
    doc.GetScrollRange(&total, &page, &position, true);
    doc.ScrollToBlock("FUZZ2", false);
    doc.DelBlock("FUZZ", false);
    doc.Check();
    doc.DelBlock("FUZZ2", true);
    doc.Check();
    return 0;
}

#else

#include "tools/mksample/SampleMarkup.h"

#include <cstdio>
#include <fstream>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: fuzz_markup_seeds DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    std::vector<std::string> seeds;
    for (const SSampleMarkupPage& page : SampleMarkupPages())
        seeds.push_back(page.text);
    // What the windows, the console and the message panel build.
    seeds.push_back("<color:ffffff><icon:MINUS>ENTRY NAME<color>");
    seeds.push_back("* <a href=target>Name of the key</a>");
    seeds.push_back("<color:ff2020>Hit by a missile");
    seeds.push_back("<p><color:D1D153>Heading<color><p>Body text of the entry.");
    seeds.push_back("\\\\go pilot_");
    // Edge forms: stray delimiters, unclosed tags, a word wider than the
    // document, a link without target, many elements.
    seeds.push_back("<");
    seeds.push_back("a<br>b a br b <<>> <halign=right>right <color:red>colour");
    seeds.push_back("<link:no target> <reference:x> <a href=t>unclosed");
    seeds.push_back(std::string(300, 'W') + " <image:wide.png> <image:small> <object:box>");
    std::string many;
    for (int i = 0; i < 600; ++i)
        many += "<icon:POINT>x<p>";
    seeds.push_back(many);
    // Damaged variants: each seed cut in half and with its delimiters
    // swapped.
    const std::size_t count = seeds.size();
    for (std::size_t i = 0; i < count; ++i)
    {
        seeds.push_back(seeds[i].substr(0, seeds[i].size() / 2));
        std::string swapped = seeds[i];
        for (char& c : swapped)
            c = c == '<' ? '>' : c == '>' ? '<' : c;
        seeds.push_back(swapped);
    }
    for (std::size_t i = 0; i < seeds.size(); ++i)
    {
        std::ofstream out(dir / ("seed_" + std::to_string(i) + ".txt"), std::ios::binary);
        out.write(seeds[i].data(), std::streamsize(seeds[i].size()));
        if (!out)
        {
            std::fprintf(stderr, "fuzz_markup_seeds: cannot write %s\n", dir.c_str());
            return 1;
        }
    }
    return 0;
}

#endif
