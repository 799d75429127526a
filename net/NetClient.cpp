// The client's set-up side: settings, the server list, the games list and
// game creation. The per-frame exchange is in NetClient_Exchange.cpp.
#include "net/NetClient.h"

#include "foundation/ErrorLog.h"
#include "foundation/Settings.h"
#include "platform/CodePage.h"
#include "platform/Ini.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <mutex>

using namespace netmsg;
using plat::E_FAIL;
using plat::Failed;
using plat::HResult;
using plat::S_OK;

CMMNetClient* g_pNetClient = nullptr;
bool g_bRunServer = false;

namespace
{

// "Не возможно соединится с сервером" (cannot connect to the server), code page 1251.
#define TVX_CANNOT_CONNECT                                                                                   \
    "\xcd\xe5 \xe2\xee\xe7\xec\xee\xe6\xed\xee \xf1\xee\xe5\xe4\xe8\xed\xe8\xf2\xf1\xff \xf1 "               \
    "\xf1\xe5\xf0\xe2\xe5\xf0\xee\xec"

// The value of a URL component: after "key=" (at the start of a component)
// up to ";" or the end; empty when the URL has no such component.
std::string UrlPart(const std::string& url, const char* key)
{
    for (const char* before : {";", "/"})
    {
        const std::string pattern = std::string(before) + key;
        const std::size_t at = url.find(pattern);
        if (at == std::string::npos) continue;
        const std::size_t start = at + pattern.size();
        const std::size_t end = url.find(';', start);
        return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    return {};
}

template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text, const char* what, std::uint32_t host)
{
    if (text.size() >= N)
        g_ErrorLog.LogError("CMMNetClient::SetHost: the %s of host %u has %zu characters; cut to %zu", what,
                            host, text.size(), N - 1);
    std::snprintf(field, N, "%s", text.c_str());
}

} // namespace

CMMNetClient::CMMNetClient()
    : m_pBuffer(std::make_unique<std::uint8_t[]>(kBufferSize)),
      m_pWork(std::make_unique<std::uint8_t[]>(kMaxMessageSize))
{
}

CMMNetClient::~CMMNetClient()
{
    // The handler thread ends before the client's parts go.
    Close();
}

void CMMNetClient::LoadSettings(const char* fileName)
{
    LoadSettingsFrom(GetEngineBaseDirectory() + "DATA\\CONFIG\\" +
                     (fileName && *fileName ? fileName : "cfg.ini"));
}

void CMMNetClient::LoadSettingsFrom(const std::string& path)
{
    XTRACE("CMMNetClient::LoadSettings");
    char text[kFieldSize + 1] = {};
    plat::GetPrivateProfileString("NET", "Player", "", text, sizeof text, path.c_str());
    std::uint32_t codePage = g_Settings.Codepage ? std::uint32_t(g_Settings.Codepage) : plat::CP_ACP;
    int units = plat::MultiByteToWideChar(codePage, text, -1, nullptr, 0);
    if (units <= 0)
    {
        g_ErrorLog.LogError(
            "CMMNetClient::LoadSettings: code page %u is unknown; the player name is read in 1251", codePage);
        codePage = plat::CP_ACP;
        units = plat::MultiByteToWideChar(codePage, text, -1, nullptr, 0);
    }
    std::wstring name(std::size_t(std::max(units, 1)), L'\0');
    if (units > 0) plat::MultiByteToWideChar(codePage, text, -1, name.data(), units);
    std::memset(m_OwnDescriptor.name, 0, sizeof m_OwnDescriptor.name);
    const std::size_t length =
        std::min<std::size_t>(std::wcslen(name.c_str()), std::size(m_OwnDescriptor.name) - 1);
    for (std::size_t i = 0; i < length; ++i)
        m_OwnDescriptor.name[i] = std::uint16_t(name[i]);

    // The host that SetHost enumerates when it is given none; it has a
    // field of its own, so the player's name stays.
    plat::GetPrivateProfileString("NET", "Host", "", text, sizeof text, path.c_str());
    m_strDefaultHost = text;
    g_bRunServer = plat::GetPrivateProfileInt("NET", "RunServer", 0, path.c_str()) == 1;
}

void CMMNetClient::SetHostName(const char* name)
{
    std::snprintf(m_szHostName, sizeof m_szHostName, "%s", name ? name : "");
    g_ErrorLog.LogDebug("SetHost %s", m_szHostName);
}

HResult CMMNetClient::SetHost(const char* hostName, std::uint32_t port)
{
    XTRACE("CMMNetClient::SetHost");
    if (!hostName && !m_strDefaultHost.empty()) hostName = m_strDefaultHost.c_str();
    SetHostName(hostName);
    m_dwPort = port ? port : kDefaultPort;
    // The list stands for one enumeration: its rows are the found hosts.
    m_Servers.clear();
    if (Failed(EnumHosts())) return E_FAIL;

    std::lock_guard<plat::CriticalSection> lock(m_HostLock);
    for (std::size_t i = 0; i < m_Hosts.size() && m_Servers.size() < kMaxServers; ++i)
    {
        const SHostEntry& host = m_Hosts[i];
        std::uint32_t chars = 0;
        if (host.address->GetURLW(nullptr, &chars) != plat::dp::DPNERR_BUFFERTOOSMALL) continue;
        std::wstring url(chars, L'\0');
        if (Failed(host.address->GetURLW(url.data(), &chars))) continue;
        const std::string text = plat::WideToCp1251(url.c_str());

        SServerEntry entry;
        entry.index = std::uint32_t(i);
        CopyField(entry.sessionName,
                  host.hasSessionName && !host.sessionName.empty() ? host.sessionName : "<unnamed>",
                  "session name", entry.index);
        ReadServerUrl(text, &entry);
        m_Servers.push_back(entry);
    }
    return S_OK;
}

void CMMNetClient::ReadServerUrl(const std::string& url, SServerEntry* entry)
{
    CopyField(entry->hostName, UrlPart(url, "hostname="), "host name", entry->index);
    const std::string port = UrlPart(url, "port=");
    if (std::from_chars(port.data(), port.data() + port.size(), entry->port).ec != std::errc{})
        entry->port = 0;
}

bool CMMNetClient::GetGamesList()
{
    XTRACE("CMMNetClient::GetGamesList()");
    if (IsConnected()) Reset();
    if (m_iSelected < 0 || m_iSelected >= GetServerCount())
    {
        g_ErrorLog.LogError("CMMNetClient::GetGamesList: no server %d among the %d listed", m_iSelected,
                            GetServerCount());
        return false;
    }
    const SServerEntry& server = m_Servers[std::size_t(m_iSelected)];
    m_dwPort = server.port;
    SetHostName(server.hostName);
    std::snprintf(m_szSessionName, sizeof m_szSessionName, "%s", server.sessionName);
    m_byChosenHost = std::uint8_t(server.index);
    if (Failed(Connect()))
    {
        g_ErrorLog.LogError(TVX_CANNOT_CONNECT);
        return false;
    }
    if (Failed(SendHeader(kOpen, kHeaderSize)) || Failed(SendHeader(kGamesList, kGamesListRequestSize)))
        return false;
    return WaitForReply(kGamesList, 1000);
}

bool CMMNetClient::CreateGame(SGameRecord record)
{
    XTRACE("CMMNetClient::CreateGame");
    if (!IsConnected())
    {
        if (Failed(Connect()))
        {
            g_ErrorLog.LogError("CMMNetClient::CreateGame - " TVX_CANNOT_CONNECT);
            return false;
        }
        if (Failed(SendHeader(kOpen, kHeaderSize))) return false;
    }
    return !Failed(SendSessionMessage(kCreateGame, &record, sizeof record));
}

std::string CMMNetClient::GameText(const SGameRecord& record, int which)
{
    const char* text = which == 1 ? record.text1 : record.text2;
    const std::size_t size = which == 1 ? sizeof record.text1 : sizeof record.text2;
    return std::string(text, strnlen(text, size));
}

void CreateNetClient()
{
    if (g_pNetClient) return;
    g_pNetClient = new CMMNetClient;
    g_pNetClient->LoadSettings("cfg.ini");
}

void DestroyNetClient()
{
    delete g_pNetClient;
    g_pNetClient = nullptr;
}
