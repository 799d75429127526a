// CGCInfo: the information console of a building. A menu of services in
// the upper right window (the building's description topics, the
// organisations, the search for a mechanoid, the network tickets, the
// location's map), link lists in the lower right window and the pages in
// the large left window: the mechanoid's card with a radar bearing for
// money, the organisation pages, a location's tickets with the offers to
// buy a ticket (3000) or a subscription (100000), and a clan page.
//
// Money never goes below zero: every purchase (ticket, subscription, clan
// page 2000, bearing 1000, map 50000) is refused with "SND_I_NO" when the
// player cannot pay, whatever text the link came from. Texts with a number
// ("%d") are filled through FormatGameText, never used as printf formats.
// Link tokens are cut to 255 characters and names to 31.
//
// A link's tokens run here; a token the console does not know goes to the
// console base's link handling (text keys, script procedures), each token
// once.
//
// Lacks: the application's flag that lets the search find mechanoids of
// "ORG_RECONERS" does not exist yet; m_bFindReconers stands in for it
// (off).
//
// Ownership: the console owns its windows and its dialog; the host owns
// the console. Main thread only.
#pragma once

#include "menus/GMenu.h"

#include <memory>
#include <string>

class CHTMLScrollWnd;
class CMech;

class CGCInfo : public CGMenu
{
public:
    static constexpr int kTicketPrice = 3000;
    static constexpr int kSubscriptionPrice = 100000;
    static constexpr int kClanPagePrice = 2000;
    static constexpr int kBearingPrice = 1000;
    static constexpr int kMapPrice = 50000;
    static constexpr std::size_t kTokenLength = 255;
    static constexpr std::size_t kNameLength = 31;

    CGCInfo();
    ~CGCInfo() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Render() override;
    void OnActivated() override;
    void OnCommand(int code, int param) override;
    void Init(const plat::Rect& rect, IUI* screen) override;
    void OnFirstActivation() override;

    void ShowMechInfo(const char* name);
    void ShowTickets();
    void ShowLocationTickets(const char* name, bool offer);
    void BuyTickets(bool subscription);
    void ShowDescription();
    void ShowMapDialog();
    void ShowFindDialog();
    void BuildMenu();
    // Runs a link's tokens (see above).
    void ProcessLink(const std::string& link);

    std::unique_ptr<CHTMLScrollWnd> m_pPage;
    std::unique_ptr<CHTMLScrollWnd> m_pMenu;
    std::unique_ptr<CHTMLScrollWnd> m_pList;
    std::unique_ptr<CQueryMessageBox> m_pDialog;
    CXAnsiString m_sCaption;
    std::string m_sFoundMech; // empty: none
    std::string m_sPendingLocation;
    std::uint8_t m_bFindMode = 0;
    std::int32_t m_nTicketPrice = kTicketPrice;
    std::int32_t m_nSubscriptionPrice = kSubscriptionPrice;
    bool m_bFindReconers = false;

private:
    // Takes price from the player's money with "SND_I_MONEY"; false (and
    // "SND_I_NO") when the player cannot pay.
    bool Pay(float price);
    float Money() const;
    void ShowOrganisationList();
    void ShowOrganisationPage(const std::string& organisation);
    void ShowClanPage(const std::string& token);
    void SetBearing();
    void OnDialogAnswer(int answer);
    std::string TakeLinkText();
    // The world's organisation id equal to token without regard to case.
    std::string FindOrganisation(const std::string& token) const;
    void Add(CHTMLScrollWnd* window, const std::string& text, const std::string& heading = "",
             const char* blockId = nullptr);
    const char* CurrentLocation() const;
};
