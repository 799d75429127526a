#include "platform/dplay/Transport.h"

#include "platform/CodePage.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace plat::dp
{

using detail::SComponent;

namespace
{

std::wstring GuidText(const Guid& g)
{
    char text[64];
    std::snprintf(text, sizeof text, "%%7B%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X%%7D", g.data1,
                  g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5],
                  g.data4[6], g.data4[7]);
    return Cp1251ToWide(text);
}

// URL escaping: letters, digits and ".-_" stay; every other unit becomes
// %XX (a unit past 0xFF becomes its UTF-8 bytes), so that no value can
// contain the ";" or "=" that the URL's readers split at.
void AppendEscaped(std::wstring& out, const std::wstring& value)
{
    for (wchar_t c : value)
    {
        const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                           c == L'.' || c == L'-' || c == L'_';
        if (plain)
        {
            out += c;
            continue;
        }
        std::string bytes;
        if (std::uint32_t(c) < 0x80)
            bytes.assign(1, char(c));
        else
            bytes = Cp1251ToUtf8(WideToCp1251(std::wstring(1, c)));
        for (unsigned char b : bytes)
        {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            out += Cp1251ToWide(hex);
        }
    }
}

std::wstring BuildUrl(const detail::SAddressState& state)
{
    std::wstring url = L"x-directplay:/";
    bool first = true;
    auto separate = [&]
    {
        if (!first) url += L';';
        first = false;
    };
    if (state.hasServiceProvider)
    {
        separate();
        url += DPNA_KEY_PROVIDER;
        url += L'=';
        url += GuidText(state.serviceProvider);
    }
    for (const SComponent& c : state.components)
    {
        separate();
        AppendEscaped(url, c.name);
        url += L'=';
        switch (c.type)
        {
        case DPNA_DATATYPE_STRING:
            AppendEscaped(url, std::wstring(reinterpret_cast<const wchar_t*>(c.data.data())));
            break;
        case DPNA_DATATYPE_STRING_ANSI:
            AppendEscaped(url, Cp1251ToWide(reinterpret_cast<const char*>(c.data.data())));
            break;
        case DPNA_DATATYPE_DWORD:
        {
            std::uint32_t v;
            std::memcpy(&v, c.data.data(), 4);
            url += std::to_wstring(v);
            break;
        }
        case DPNA_DATATYPE_GUID:
            url += GuidText(detail::GetGuid(c.data.data()));
            break;
        default:
            for (std::uint8_t b : c.data)
            {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", b);
                url += Cp1251ToWide(hex);
            }
            break;
        }
    }
    return url;
}

} // namespace

Address::Address() : m_pState(std::make_unique<detail::SAddressState>()) {}

Address::~Address() = default;

HResult Address::SetSP(const Guid* serviceProvider)
{
    if (!serviceProvider) return DPNERR_INVALIDPOINTER;
    m_pState->hasServiceProvider = true;
    m_pState->serviceProvider = *serviceProvider;
    return DPN_OK;
}

HResult Address::GetSP(Guid* serviceProvider)
{
    if (!serviceProvider) return DPNERR_INVALIDPOINTER;
    if (!m_pState->hasServiceProvider) return DPNERR_DOESNOTEXIST;
    *serviceProvider = m_pState->serviceProvider;
    return DPN_OK;
}

HResult Address::AddComponent(const wchar_t* name, const void* data, std::uint32_t size, std::uint32_t type)
{
    if (!name || !*name || (!data && size)) return DPNERR_INVALIDPARAM;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    switch (type)
    {
    case DPNA_DATATYPE_STRING:
    {
        if (size < sizeof(wchar_t) || size % sizeof(wchar_t)) return DPNERR_INVALIDPARAM;
        wchar_t last;
        std::memcpy(&last, bytes + size - sizeof(wchar_t), sizeof last);
        if (last != 0) return DPNERR_INVALIDPARAM;
        break;
    }
    case DPNA_DATATYPE_STRING_ANSI:
        if (size < 1 || bytes[size - 1] != 0) return DPNERR_INVALIDPARAM;
        break;
    case DPNA_DATATYPE_DWORD:
        if (size != 4) return DPNERR_INVALIDPARAM;
        break;
    case DPNA_DATATYPE_GUID:
        if (size != 16) return DPNERR_INVALIDPARAM;
        break;
    case DPNA_DATATYPE_BINARY:
        break;
    default:
        return DPNERR_INVALIDPARAM;
    }
    SComponent component{name, type, std::vector<std::uint8_t>(bytes, bytes + size)};
    for (SComponent& c : m_pState->components)
    {
        if (c.name == name)
        {
            c = std::move(component);
            return DPN_OK;
        }
    }
    m_pState->components.push_back(std::move(component));
    return DPN_OK;
}

HResult Address::GetComponentByName(const wchar_t* name, void* buffer, std::uint32_t* size,
                                    std::uint32_t* type)
{
    if (!name || !size || !type) return DPNERR_INVALIDPOINTER;
    for (const SComponent& c : m_pState->components)
    {
        if (c.name != name) continue;
        *type = c.type;
        const std::uint32_t needed = std::uint32_t(c.data.size());
        if (!buffer || *size < needed)
        {
            *size = needed;
            return DPNERR_BUFFERTOOSMALL;
        }
        if (needed) std::memcpy(buffer, c.data.data(), needed);
        *size = needed;
        return DPN_OK;
    }
    return DPNERR_DOESNOTEXIST;
}

HResult Address::GetURLW(wchar_t* url, std::uint32_t* chars)
{
    if (!chars) return DPNERR_INVALIDPOINTER;
    const std::wstring text = BuildUrl(*m_pState);
    const std::uint32_t needed = std::uint32_t(text.size() + 1);
    if (!url || *chars < needed)
    {
        *chars = needed;
        return DPNERR_BUFFERTOOSMALL;
    }
    std::wmemcpy(url, text.c_str(), needed);
    *chars = needed;
    return DPN_OK;
}

HResult Address::GetURLA(char* url, std::uint32_t* chars)
{
    if (!chars) return DPNERR_INVALIDPOINTER;
    // The URL is escaped to ASCII, so the conversion keeps its length.
    const std::string text = WideToCp1251(BuildUrl(*m_pState));
    const std::uint32_t needed = std::uint32_t(text.size() + 1);
    if (!url || *chars < needed)
    {
        *chars = needed;
        return DPNERR_BUFFERTOOSMALL;
    }
    std::memcpy(url, text.c_str(), needed);
    *chars = needed;
    return DPN_OK;
}

HResult Address::Duplicate(Address** out)
{
    if (!out) return DPNERR_INVALIDPOINTER;
    auto* copy = new Address;
    *copy->m_pState = *m_pState;
    *out = copy;
    return DPN_OK;
}

HResult Address::Clear()
{
    *m_pState = detail::SAddressState{};
    return DPN_OK;
}

} // namespace plat::dp
