#include "platform/dplay/DPlay.h"

#include <cstring>

namespace plat::dp
{

const Guid CLSID_DirectPlay8Client = {
    0x743F1DC6, 0x5ABA, 0x429F, {0x8B, 0xDF, 0xC5, 0x4D, 0x03, 0x25, 0x3D, 0xC2}};
const Guid CLSID_DirectPlay8Server = {
    0xDA825E1B, 0x6830, 0x43D7, {0x83, 0x5D, 0x0B, 0x5A, 0xD8, 0x29, 0x56, 0xA2}};
const Guid CLSID_DirectPlay8Address = {
    0x934A9523, 0xA3CA, 0x4BC5, {0xAD, 0xA0, 0xD6, 0xD9, 0x5D, 0x97, 0x94, 0x21}};
const Guid IID_IDirectPlay8Client = {
    0x5102DACD, 0x241B, 0x11D3, {0xAE, 0xA7, 0x00, 0x60, 0x97, 0xB0, 0x14, 0x11}};
const Guid IID_IDirectPlay8Server = {
    0x5102DACE, 0x241B, 0x11D3, {0xAE, 0xA7, 0x00, 0x60, 0x97, 0xB0, 0x14, 0x11}};
const Guid IID_IDirectPlay8Address = {
    0x83783300, 0x4063, 0x4C8A, {0x9D, 0xB3, 0x82, 0x83, 0x0A, 0x7F, 0xEB, 0x31}};
const Guid CLSID_DP8SP_TCPIP = {0xEBFE7BA0, 0x628D, 0x11D2, {0xAE, 0x0F, 0x00, 0x60, 0x97, 0xB0, 0x14, 0x11}};

bool operator==(const Guid& a, const Guid& b)
{
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

std::uint32_t Unknown::AddRef()
{
    return ++m_nRefs;
}

std::uint32_t Unknown::Release()
{
    const std::uint32_t n = --m_nRefs;
    if (n == 0) delete this;
    return n;
}

namespace
{
std::atomic<int> g_comUsers{0};
}

HResult CoInitialize(void*)
{
    // S_FALSE, as COM answers a thread that had initialised already.
    return g_comUsers++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (g_comUsers > 0) --g_comUsers;
}

HResult CoCreateInstance(const Guid& classId, void* outer, std::uint32_t, const Guid& interfaceId, void** out)
{
    if (!out) return DPNERR_INVALIDPOINTER;
    *out = nullptr;
    if (outer) return static_cast<HResult>(0x80040110u); // CLASS_E_NOAGGREGATION
    if (classId == CLSID_DirectPlay8Client)
    {
        if (interfaceId != IID_IDirectPlay8Client) return DPNERR_NOINTERFACE;
        *out = new Client;
        return S_OK;
    }
    if (classId == CLSID_DirectPlay8Server)
    {
        if (interfaceId != IID_IDirectPlay8Server) return DPNERR_NOINTERFACE;
        *out = new Server;
        return S_OK;
    }
    if (classId == CLSID_DirectPlay8Address)
    {
        if (interfaceId != IID_IDirectPlay8Address) return DPNERR_NOINTERFACE;
        *out = new Address;
        return S_OK;
    }
    return REGDB_E_CLASSNOTREG;
}

} // namespace plat::dp
