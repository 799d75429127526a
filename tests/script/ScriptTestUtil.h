// Helpers of the script tests: streams from byte vectors and scripts loaded
// from builder output.
#pragma once

#include "foundation/MemStream.h"
#include "script/Script.h"
#include "tools/scriptc/CodeTreeBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace scripttest
{

using Bytes = std::vector<std::uint8_t>;

// A stream holding exactly the bytes, position 0.
inline void Fill(CMemStream& stream, const Bytes& bytes)
{
    std::uint8_t* data = stream.Allocate(static_cast<std::uint32_t>(bytes.size()));
    if (!bytes.empty())
        std::memcpy(data, bytes.data(), bytes.size());
}

// The bytes written to a stream so far.
inline Bytes Written(const CMemStream& stream)
{
    return Bytes(stream.m_pData, stream.m_pData + stream.m_nPosition);
}

template <typename TScript = CScript> std::unique_ptr<TScript> LoadScript(const Bytes& bytes)
{
    CMemStream stream;
    Fill(stream, bytes);
    auto script = std::make_unique<TScript>();
    EXPECT_TRUE(script->LoadFromStream(stream)) << script->GetLoadError();
    return script;
}

inline std::vector<std::string> ErrorTexts()
{
    std::vector<std::string> texts;
    const SScriptErrors errors = GetScriptErrors();
    for (std::uint32_t i = 0; i < errors.m_nCount; ++i)
        texts.emplace_back(errors.m_pErrors[i].m_szText);
    return texts;
}

inline bool HasError(const std::string& text)
{
    for (const std::string& e : ErrorTexts())
        if (e == text)
            return true;
    return false;
}

} // namespace scripttest
