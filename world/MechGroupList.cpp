#include "world/MechGroupList.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
#include "foundation/StreamReader.h"

#include <cstring>

void CMechGroupList::Load(CMemStream& stream)
{
    XTRACE("CMechGroupList::Load");
    Clear();
    CStreamReader in(stream, "group descriptions");
    if (in.Left() == 0) return;
    try
    {
        // Nothing is allocated ahead for the count: a count past the block
        // ends at the first description cut short, keeping those before.
        const std::uint32_t count = in.U32();
        in.U32();
        const bool flagByte = in.U32() == 1;
        std::uint8_t zeros[40];
        in.Bytes(zeros, sizeof zeros);
        for (std::uint32_t d = 0; d < count; ++d)
        {
            auto desc = std::make_unique<CMechGroupDesc>();
            std::uint8_t fixed[kFixedSize];
            in.Bytes(fixed, kFixedSize);
            CopyName(desc->m_szName, reinterpret_cast<const char*>(fixed));
            CopyName(desc->m_szOrgName, reinterpret_cast<const char*>(fixed + 32));
            std::memcpy(&desc->m_nType, fixed + 64, 4);
            std::int32_t members = 0;
            std::memcpy(&members, fixed + 68, 4);
            std::memcpy(desc->m_szLabel, fixed + 72, 64);
            desc->m_szLabel[63] = 0;
            std::memcpy(&desc->m_nLevel, fixed + 136, 4);
            if (members < 0 || members > CMechGroupDesc::kMaxMembers)
                in.Fail("description %u: member count %d outside 0-5", d, members);
            desc->m_nMemberCount = members;
            switch (desc->m_nType)
            {
            case 0:
                desc->m_nGuardNode = in.I32();
                desc->m_nGuardValue = in.I32();
                break;
            case 1:
                desc->m_Type1Data[0] = in.I32();
                desc->m_Type1Data[1] = in.I32();
                break;
            case 2:
            {
                const std::uint32_t n = in.Count(4, "road set size");
                for (std::uint32_t i = 0; i < n; ++i)
                    desc->m_RoadSet.push_back(in.I32());
                break;
            }
            case 3:
                desc->m_nType3Data = in.I32();
                break;
            case 4:
                desc->m_nType4Data = in.I32();
                break;
            default:
                break;
            }
            for (std::int32_t m = 0; m < members; ++m)
            {
                in.Bytes(desc->m_szMembers[m], 32);
                desc->m_szMembers[m][31] = 0;
            }
            if (flagByte) desc->m_bFlag = in.U8();
            m_Descs.push_back(std::move(desc));
        }
    }
    catch (const CStreamError& e)
    {
        // What was read whole stays; the rest of the block cannot be trusted.
        g_ErrorLog.LogError("%s; %d descriptions kept", e.what(), GetCount());
    }
}

CMechGroupDesc* CMechGroupList::Find(const char* name) const
{
    if (!name) return nullptr;
    for (const auto& d : m_Descs)
        if (SameName(d->m_szName, name)) return d.get();
    return nullptr;
}

void WriteMechGroupBlock(CMemStream& out, const std::vector<CMechGroupDesc>& descs, bool flagByte)
{
    const std::uint32_t header[3] = {std::uint32_t(descs.size()), 1, flagByte ? 1u : 0u};
    const std::uint8_t zeros[44] = {};
    out.Write(header, sizeof header);
    out.Write(zeros, 40);
    for (const CMechGroupDesc& d : descs)
    {
        out.Write(d.m_szName, 32);
        out.Write(d.m_szOrgName, 32);
        out.Write(&d.m_nType, 4);
        out.Write(&d.m_nMemberCount, 4);
        out.Write(d.m_szLabel, 64);
        out.Write(&d.m_nLevel, 4);
        out.Write(zeros, 44);
        switch (d.m_nType)
        {
        case 0:
            out.Write(&d.m_nGuardNode, 4);
            out.Write(&d.m_nGuardValue, 4);
            break;
        case 1:
            out.Write(d.m_Type1Data, 8);
            break;
        case 2:
        {
            const std::uint32_t n = std::uint32_t(d.m_RoadSet.size());
            out.Write(&n, 4);
            if (n) out.Write(d.m_RoadSet.data(), n * 4);
            break;
        }
        case 3:
            out.Write(&d.m_nType3Data, 4);
            break;
        case 4:
            out.Write(&d.m_nType4Data, 4);
            break;
        default:
            break;
        }
        for (std::int32_t m = 0; m < d.m_nMemberCount && m < CMechGroupDesc::kMaxMembers; ++m)
            out.Write(d.m_szMembers[m], 32);
        if (flagByte) out.Write(&d.m_bFlag, 1);
    }
}
