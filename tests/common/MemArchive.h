// A saved-game archive in memory for tests: records by name, in the order
// written, whose bytes a test can read and damage.
#pragma once

#include "foundation/FileArchive.h"
#include "foundation/MemStream.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace testutil
{

class CMemArchive : public IArchive
{
public:
    std::uint32_t GetSize() const override { return sizeof(*this); }
    bool Create(const char*) override { return true; }
    bool Open(const char*) override { return true; }
    bool Close() override { return true; }
    bool ReadRecord(const CGuidKey& key, CMemStream& out) override
    {
        auto it = m_Records.find(key.name);
        if (it == m_Records.end()) return false;
        out.Allocate(std::uint32_t(it->second.size()) + 1);
        if (!it->second.empty()) std::memcpy(out.m_pData, it->second.data(), it->second.size());
        out.m_nCapacity = std::uint32_t(it->second.size());
        out.m_nPosition = 0;
        return true;
    }
    bool WriteRecord(const CGuidKey& key, const CMemStream& data) override
    {
        m_Order.push_back(key.name);
        m_Records[key.name].assign(data.m_pData, data.m_pData + data.m_nPosition);
        return true;
    }
    bool HasRecord(const CGuidKey& key) override { return m_Records.count(key.name) != 0; }
    bool BeginRecord(const CGuidKey&) override { return false; }
    void WriteBytes(const void*, std::uint32_t) override {}
    std::uint32_t ReadBytes(void*, std::uint32_t) override { return 0; }
    bool EndRecord() override { return false; }
    std::uint32_t GetChecksum(const CMemStream&) override { return 0; }

    std::map<std::string, std::vector<std::uint8_t>> m_Records;
    std::vector<std::string> m_Order;
};

} // namespace testutil
