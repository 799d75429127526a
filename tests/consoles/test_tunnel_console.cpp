// The tunnel console in a tunnel building's menu: which locations it lists
// (a ticket or a subscription, the subscription's icon without a count,
// never the location the player is in), and the journey link: it takes a
// ticket unless the player holds a subscription, leaves the destination
// with the host and ends the menu with 1008; without a chosen location, or
// with the ticket gone, it does nothing.
#include "common/ConsoleFixture.h"

#include "consoles/GCTunnel.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"

#include <string>

namespace
{

using consoletest::CConsoleTest;

class CTunnelHost : public CTunnelUI
{
public:
    void EndModal(int result) override
    {
        m_EndCodes.push_back(result);
        CTunnelUI::EndModal(result);
    }
    std::vector<int> m_EndCodes;
};

class TunnelConsole : public CConsoleTest
{
protected:
    void SetUp() override
    {
        CConsoleTest::SetUp();
        std::snprintf(m_World.m_szLocationName, sizeof m_World.m_szLocationName, "%s", "here");
        Text("north", "The northern valley", "North");
    }
    void TearDown() override
    {
        m_pTunnel.reset();
        CConsoleTest::TearDown();
    }
    SLocInfo& Location(const char* name, std::uint32_t tickets, bool subscription)
    {
        SLocInfo& info = g_GameData.GetLocInfo(name);
        info.tickets = tickets;
        info.subscription = subscription ? 1 : 0;
        return info;
    }
    CGCTunnel& Open()
    {
        ResetClassRegistry();
        RegisterConsolesClasses();
        m_pTunnel = std::make_unique<CTunnelHost>();
        m_pTunnel->Init(&m_Graphic, &m_Input);
        m_pTunnel->SetClock(&m_Clock);
        char building[32] = "TUNNEL";
        m_pTunnel->SetParam(building);
        auto* tunnel = dynamic_cast<CGCTunnel*>(m_pTunnel->GetConsole(CUIMenu::kTabTunnel));
        EXPECT_NE(tunnel, nullptr);
        m_pTunnel->ShowMenu(tunnel);
        return *tunnel;
    }
    // A link chosen in one of the console's windows.
    static void Link(CGCTunnel& tunnel, CHTMLScrollWnd* window, const char* target)
    {
        window->m_sNotifyTarget = target;
        tunnel.OnCommand(CHTMLWnd::kNotifyLink, 0);
    }
    static std::string AllText(CHTMLWnd& window)
    {
        std::string out;
        const CHTMLObject* document = window.GetDocument();
        for (int b = 0; b < document->GetBlockCount(); ++b)
        {
            const SHTMLBlock& block = document->GetBlocks()[b];
            for (int i = block.first; i <= block.last; ++i)
            {
                const SHTMLElement& e = document->m_Elements[std::size_t(i)];
                if (e.Type == SHTMLElement::kText) out += e.Text;
                if (e.Type == SHTMLElement::kLink) out += "[" + e.Kind + "]" + e.Text;
            }
        }
        return out;
    }
    std::string Destination()
    {
        char out[32] = {};
        m_pTunnel->GetDestination(out);
        return out;
    }

    std::unique_ptr<CTunnelHost> m_pTunnel;
};

TEST_F(TunnelConsole, ListsTicketsAndSubscriptionsButNeverTheCurrentLocation)
{
    Location("none", 0, false);
    Location("north", 2, false);
    Location("here", 5, true);
    Location("south", 3, true);
    CGCTunnel& tunnel = Open();
    const std::string list = AllText(*tunnel.GetList());
    EXPECT_EQ(list.find("none"), std::string::npos);
    EXPECT_EQ(list.find("here"), std::string::npos);
    EXPECT_NE(list.find("North [2]"), std::string::npos) << list;
    EXPECT_NE(list.find("south"), std::string::npos) << list;
    EXPECT_EQ(list.find("[3]"), std::string::npos) << "a subscription shows no count: " << list;
}

TEST_F(TunnelConsole, SendToTakesATicketUnlessSubscribedAndEndsWith1008)
{
    Location("north", 2, false);
    Location("south", 3, true);
    CGCTunnel& tunnel = Open();
    // No location chosen yet: the link does nothing.
    Link(tunnel, tunnel.GetText(), "sendto");
    EXPECT_TRUE(m_pTunnel->m_EndCodes.empty());

    Link(tunnel, tunnel.GetList(), "Loc0");
    EXPECT_EQ(tunnel.GetChosen(), 0);
    EXPECT_NE(AllText(*tunnel.GetText()).find("[sendto]"), std::string::npos);
    Link(tunnel, tunnel.GetText(), "sendto");
    EXPECT_EQ(g_GameData.FindLocInfo("north")->tickets, 1u);
    EXPECT_EQ(m_pTunnel->m_EndCodes, std::vector<int>{CGCTunnel::kResultTunnel});
    EXPECT_EQ(Destination(), "north");

    Link(tunnel, tunnel.GetList(), "Loc1");
    Link(tunnel, tunnel.GetText(), "sendto");
    EXPECT_EQ(g_GameData.FindLocInfo("south")->tickets, 3u) << "a subscription keeps the tickets";
    EXPECT_EQ(Destination(), "south");
    EXPECT_EQ(m_pTunnel->m_EndCodes.size(), 2u);

    // The page of a location whose last ticket went elsewhere sends nobody.
    Location("north", 0, false);
    Link(tunnel, tunnel.GetList(), "Loc0");
    Link(tunnel, tunnel.GetText(), "sendto");
    EXPECT_EQ(m_pTunnel->m_EndCodes.size(), 2u);
    EXPECT_EQ(g_GameData.FindLocInfo("north")->tickets, 0u);
}

} // namespace
