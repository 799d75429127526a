#include "net/NetConnection.h"

#include "foundation/ErrorLog.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <mutex>

using namespace plat::dp;
using plat::E_FAIL;
using plat::E_INVALIDARG;
using plat::Failed;
using plat::HResult;
using plat::S_OK;
using plat::Succeeded;

namespace
{

// In-process server, in-process handler, local server.
constexpr std::uint32_t kClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

ApplicationDesc GameDescription()
{
    ApplicationDesc description;
    description.application = CNetConnection::kApplicationGuid;
    return description;
}

} // namespace

CNetConnection::CNetConnection() = default;

CNetConnection::~CNetConnection()
{
    Close();
}

HResult CNetConnection::HasData() const
{
    return m_Ring.HasData() ? S_OK : E_FAIL;
}

HResult CNetConnection::AnsiToWide(wchar_t* out, const char* text, int size)
{
    if (!out || !text || size < 1) return E_INVALIDARG;
    const int needed = plat::MultiByteToWideChar(plat::CP_ACP, text, -1, nullptr, 0);
    if (needed <= 0) return E_FAIL;
    std::wstring wide(std::size_t(needed), L'\0');
    plat::MultiByteToWideChar(plat::CP_ACP, text, -1, wide.data(), needed);
    const int n = std::min(needed - 1, size - 1);
    std::wmemcpy(out, wide.c_str(), std::size_t(n));
    out[n] = 0;
    return S_OK;
}

HResult CNetConnection::WideToAnsi(char* out, const wchar_t* text, int size)
{
    if (!out || !text || size < 1) return E_INVALIDARG;
    const int needed = plat::WideCharToMultiByte(plat::CP_ACP, text, -1, nullptr, 0);
    if (needed <= 0) return E_FAIL;
    std::string narrow(std::size_t(needed), '\0');
    plat::WideCharToMultiByte(plat::CP_ACP, text, -1, narrow.data(), needed);
    const int n = std::min(needed - 1, size - 1);
    std::memcpy(out, narrow.c_str(), std::size_t(n));
    out[n] = 0;
    return S_OK;
}

HResult CNetConnection::Init()
{
    XTRACE("CNetConnection::Init");
    if (m_pClient) return S_OK; // a second network set-up keeps the client
    if (!m_bComInitialised)
    {
        CoInitialize(nullptr);
        m_bComInitialised = true;
    }
    void* object = nullptr;
    HResult hr =
        CoCreateInstance(CLSID_DirectPlay8Client, nullptr, kClassContext, IID_IDirectPlay8Client, &object);
    if (Failed(hr)) return hr;
    m_pClient = static_cast<Client*>(object);
    hr = m_pClient->Initialize(this, &CNetConnection::MessageHandler, 0);
    if (Failed(hr))
    {
        // The next set-up tries again from the start.
        m_pClient->Release();
        m_pClient = nullptr;
        return hr;
    }

    std::uint32_t size = 0;
    std::uint32_t count = 0;
    hr = m_pClient->EnumServiceProviders(&CLSID_DP8SP_TCPIP, nullptr, nullptr, &size, &count, 0);
    if (Failed(hr) && hr != DPNERR_BUFFERTOOSMALL) return hr;
    std::vector<std::uint8_t> buffer(size);
    auto* providers = reinterpret_cast<ServiceProviderInfo*>(buffer.data());
    hr = m_pClient->EnumServiceProviders(&CLSID_DP8SP_TCPIP, nullptr, providers, &size, &count, 0);
    if (Failed(hr)) return hr;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        if (providers[i].guid == CLSID_DP8SP_TCPIP) return S_OK;
    }
    return E_FAIL;
}

HResult CNetConnection::CreateDeviceAddress()
{
    if (m_pDeviceAddress) m_pDeviceAddress->Release();
    m_pDeviceAddress = nullptr;
    void* object = nullptr;
    HResult hr = CoCreateInstance(CLSID_DirectPlay8Address, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IDirectPlay8Address, &object);
    if (Failed(hr)) return hr;
    m_pDeviceAddress = static_cast<Address*>(object);
    return m_pDeviceAddress->SetSP(&CLSID_DP8SP_TCPIP);
}

HResult CNetConnection::SetHostAddress(const char* hostName)
{
    if (m_pHostAddress) m_pHostAddress->Release();
    m_pHostAddress = nullptr;
    void* object = nullptr;
    HResult hr =
        CoCreateInstance(CLSID_DirectPlay8Address, nullptr, kClassContext, IID_IDirectPlay8Address, &object);
    if (Failed(hr)) return hr;
    m_pHostAddress = static_cast<Address*>(object);
    hr = m_pHostAddress->SetSP(&CLSID_DP8SP_TCPIP);
    if (Failed(hr)) return hr;
    wchar_t wide[kNameSize];
    hr = AnsiToWide(wide, hostName ? hostName : "", int(kNameSize));
    if (Failed(hr)) return hr;
    if (wide[0])
    {
        hr = m_pHostAddress->AddComponent(DPNA_KEY_HOSTNAME, wide,
                                          std::uint32_t((std::wcslen(wide) + 1) * sizeof(wchar_t)),
                                          DPNA_DATATYPE_STRING);
        if (Failed(hr)) return hr;
    }
    if (m_dwPort != 0)
    {
        hr = m_pHostAddress->AddComponent(DPNA_KEY_PORT, &m_dwPort, sizeof m_dwPort, DPNA_DATATYPE_DWORD);
        if (Failed(hr)) return hr;
    }
    return S_OK;
}

HResult CNetConnection::EnumHosts()
{
    XTRACE("CNetConnection::EnumHosts");
    m_bHostFound = 0;
    ClearHosts();
    if (!m_pClient)
    {
        g_ErrorLog.LogError("CNetConnection::EnumHosts: the network is not initialised");
        return E_FAIL;
    }
    HResult hr = CreateDeviceAddress();
    if (Failed(hr)) return hr;
    hr = SetHostAddress(m_szHostName);
    if (Failed(hr)) return hr;
    const ApplicationDesc description = GameDescription();
    hr = m_pClient->EnumHosts(&description, m_pHostAddress, m_pDeviceAddress, nullptr, 0, 4, 0, 0, nullptr,
                              nullptr, DPNENUMHOSTS_SYNC);
    if (Failed(hr)) return hr;
    return m_bHostFound ? S_OK : E_FAIL;
}

HResult CNetConnection::Connect()
{
    XTRACE("CNetConnection::Connect");
    if (!m_pClient)
    {
        g_ErrorLog.LogError("CNetConnection::Connect: the network is not initialised");
        return E_FAIL;
    }
    HResult hr = CreateDeviceAddress();
    if (Failed(hr)) return hr;
    Address* host = nullptr;
    std::string sessionName;
    std::size_t hosts = 0;
    {
        std::lock_guard<plat::CriticalSection> lock(m_HostLock);
        hosts = m_Hosts.size();
        if (m_byChosenHost < hosts)
        {
            hr = m_Hosts[m_byChosenHost].address->Duplicate(&host);
            sessionName = m_Hosts[m_byChosenHost].sessionName;
        }
    }
    if (!host)
    {
        if (Succeeded(hr))
        {
            g_ErrorLog.LogError("CNetConnection::Connect: no host %u among the %zu found",
                                unsigned(m_byChosenHost), hosts);
            hr = DPNERR_DOESNOTEXIST;
        }
        return hr;
    }
    const ApplicationDesc description = GameDescription();
    hr = m_pClient->Connect(&description, host, m_pDeviceAddress, nullptr, nullptr, nullptr, 0, nullptr,
                            nullptr, DPNCONNECT_SYNC);
    if (!Failed(hr))
    {
        m_bConnected = 1;
        std::snprintf(m_szSessionName, sizeof m_szSessionName, "%s", sessionName.c_str());
    }
    host->Release();
    return hr;
}

HResult CNetConnection::Send(const void* data, std::uint32_t size)
{
    if (!data || size == 0) return E_INVALIDARG;
    if (!m_pClient) return DPNERR_UNINITIALIZED;
    const BufferDesc buffer{size, static_cast<const std::uint8_t*>(data)};
    return m_pClient->Send(&buffer, 1, 0, nullptr, nullptr, DPNSEND_SYNC);
}

HResult CNetConnection::Reset()
{
    XTRACE("CNetConnection::Reset");
    m_bConnected = 0;
    if (!m_pClient) return E_FAIL;
    m_pClient->Close(0);
    return m_pClient->Initialize(this, &CNetConnection::MessageHandler, 0);
}

void CNetConnection::ClearHosts()
{
    std::lock_guard<plat::CriticalSection> lock(m_HostLock);
    for (SHostEntry& entry : m_Hosts)
        entry.address->Release();
    m_Hosts.clear();
}

void CNetConnection::Close()
{
    // The client first: its handler thread ends before the list goes.
    if (m_pClient)
    {
        m_pClient->Close(0);
        m_pClient->Release();
        m_pClient = nullptr;
    }
    m_bConnected = 0;
    ClearHosts();
    if (m_pDeviceAddress) m_pDeviceAddress->Release();
    m_pDeviceAddress = nullptr;
    if (m_pHostAddress) m_pHostAddress->Release();
    m_pHostAddress = nullptr;
    if (m_bComInitialised) CoUninitialize();
    m_bComInitialised = false;
}

bool CNetConnection::SendClock()
{
    std::uint8_t message[16] = {};
    const std::uint32_t type = 0x1006;
    const std::uint32_t size = sizeof message;
    const double now = m_Timer.Command(ENetTimerCommand::GetAppTime);
    std::memcpy(message, &type, 4);
    std::memcpy(message + 4, &size, 4);
    std::memcpy(message + 8, &now, 8);
    return !Failed(Send(message, sizeof message));
}

std::size_t CNetConnection::GetHostCount()
{
    std::lock_guard<plat::CriticalSection> lock(m_HostLock);
    return m_Hosts.size();
}

HResult CNetConnection::MessageHandler(void* context, std::uint32_t messageId, void* message)
{
    auto* self = static_cast<CNetConnection*>(context);
    switch (messageId)
    {
    case DPN_MSGID_ENUM_HOSTS_RESPONSE:
        self->OnEnumResponse(*static_cast<const MsgEnumHostsResponse*>(message));
        break;
    case DPN_MSGID_RECEIVE:
        self->OnReceive(*static_cast<const MsgReceive*>(message));
        break;
    case DPN_MSGID_TERMINATE_SESSION:
        self->m_bConnected = 0;
        break;
    default:
        break;
    }
    return DPN_OK;
}

void CNetConnection::OnEnumResponse(const MsgEnumHostsResponse& response)
{
    m_bHostFound = 1;
    if (!response.applicationDescription || !response.addressSender) return;
    std::lock_guard<plat::CriticalSection> lock(m_HostLock);
    for (const SHostEntry& entry : m_Hosts)
    {
        // The same host answers every query of the enumeration.
        if (entry.description.instance == response.applicationDescription->instance) return;
    }
    SHostEntry entry;
    if (Failed(response.addressSender->Duplicate(&entry.address))) return;
    entry.description = *response.applicationDescription;
    entry.description.sessionName = nullptr;
    entry.description.password = nullptr;
    entry.description.reservedData = nullptr;
    entry.description.reservedDataSize = 0;
    entry.description.applicationReservedData = nullptr;
    entry.description.applicationReservedDataSize = 0;
    if (const wchar_t* name = response.applicationDescription->sessionName)
    {
        entry.hasSessionName = true;
        entry.sessionName = plat::WideToCp1251(name);
    }
    m_Hosts.insert(m_Hosts.begin(), std::move(entry));
}

void CNetConnection::OnReceive(const MsgReceive& receive)
{
    const SRingHeader header{DPN_MSGID_RECEIVE, kRingHeaderSize - 4, receive.sender, receive.receiveDataSize};
    if (!m_Ring.WriteRecord(&header, sizeof header, receive.receiveData, receive.receiveDataSize))
    {
        g_ErrorLog.LogError(
            "CNetConnection: a received message of %u bytes does not fit the receive ring's %u free "
            "bytes; it is dropped",
            receive.receiveDataSize, m_Ring.GetFree());
        return;
    }
    m_dwLastReceiveType = DPN_MSGID_RECEIVE;
    m_dwLastReceiveSize = receive.receiveDataSize;
}
