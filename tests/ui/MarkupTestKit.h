// A markup document with fixed metrics for the markup tests: the drawing
// recorder's 8-pixel characters and 16-pixel lines, the real icon table,
// and picture sizes the test sets by name (others are missing: 200 x 150).
#pragma once

#include "UITestKit.h"

#include "ui/markup/HTMLObject.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace uitest
{

class CTestDocument : public CHTMLObject
{
public:
    CTestDocument(int left, int top, int right, int bottom, IGraphicInterface* graphic)
        : CHTMLObject(left, top, right, bottom, graphic)
    {
        SetGameTime(0.0);
    }

    void GetImageSize(const char* name, int* w, int* h) override
    {
        const auto it = m_Sizes.find(name ? name : "");
        if (it == m_Sizes.end())
        {
            *w = 200;
            *h = 150;
            return;
        }
        *w = it->second.first;
        *h = it->second.second;
    }
    int FindModel(const char*) const override { return -1; }

    // The elements in use.
    std::vector<SHTMLElement> Elements() const
    {
        return std::vector<SHTMLElement>(m_Elements.begin(), m_Elements.begin() + m_iStrNum);
    }
    const SHTMLElement& At(int i) const { return m_Elements[std::size_t(i)]; }

    std::map<std::string, std::pair<int, int>> m_Sizes;
};

} // namespace uitest
