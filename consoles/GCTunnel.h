// CGCTunnel: the console of the tunnel building's menu (CTunnelUI). The
// right window lists the locations the player may travel to (a ticket or a
// subscription, the current location never), the left window shows the
// chosen location's page with the "sendto" link; that link takes a ticket
// (none with a subscription), leaves the location's name with the host as
// its destination and ends the host with 1008. The application then makes
// the journey.
//
// Links: "Loc<i>" chooses the i-th location record; "sendto" travels to the
// chosen one (nothing before a location was chosen); any other link goes to
// the console base.
//
// Ownership: the console owns its two windows; the host owns the console.
// Main thread only.
#pragma once

#include "menus/GMenu.h"

#include <memory>
#include <string>

class CHTMLScrollWnd;

class CGCTunnel : public CGMenu
{
public:
    static constexpr int kResultTunnel = 1008;

    CGCTunnel();
    ~CGCTunnel() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Render() override;
    void OnActivated() override;
    void OnCommand(int code, int param) override;
    void Init(const plat::Rect& rect, IUI* screen) override;
    void OnFirstActivation() override;

    // The location list into the list window.
    void ListLocations();
    // A location record chosen by its index: its page in the text window.
    void ChooseLocation(int index);
    // Travel to the chosen location; false when none is chosen.
    bool SendTo();

    CHTMLScrollWnd* GetText() const { return m_pText.get(); }
    CHTMLScrollWnd* GetList() const { return m_pList.get(); }
    int GetChosen() const { return m_iChosen; }

private:
    std::unique_ptr<CHTMLScrollWnd> m_pText;
    std::unique_ptr<CHTMLScrollWnd> m_pList;
    std::string m_sCaption;
    int m_iChosen = -1;
};
