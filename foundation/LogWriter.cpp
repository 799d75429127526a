#include "foundation/LogWriter.h"

#include "foundation/ErrorLog.h"
#include "platform/File.h"

#include <algorithm>
#include <cstring>
#include <string>

CLogWriter::CLogWriter() : m_Ids(2, 2) {}

CLogWriter::~CLogWriter()
{
    Close();
}

plat::HResult CLogWriter::Init(const char* path)
{
    XTRACE("CLogWriter::Init()");
    Close();
    m_Ids.Init(2, 2);
    std::FILE* existing = plat::FOpen(path, "r");
    if (!existing)
    {
        m_pFile = plat::FOpen(path, "w");
        return m_pFile ? plat::S_OK : plat::E_FAIL;
    }
    // Whole lines of any length, so that no id is cut or split; the id is
    // everything before the first tab, as WriteToLog put it there.
    std::string line;
    for (int c = std::fgetc(existing);; c = std::fgetc(existing))
    {
        if (c == '\n' || c == EOF)
        {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string id = line.substr(0, line.find('\t'));
            if (!id.empty()) RememberID(id.c_str());
            line.clear();
            if (c == EOF) break;
            continue;
        }
        line.push_back(char(c));
    }
    std::fclose(existing);
    m_pFile = plat::FOpen(path, "a");
    return m_pFile ? plat::S_OK : plat::E_FAIL;
}

plat::HResult CLogWriter::RememberID(const char* id)
{
    XTRACE("CLogWriter::RememberID()");
    if (!id || m_Ids.Find(id) >= 0) return plat::E_FAIL;
    const std::uint32_t length = std::uint32_t(std::strlen(id));
    // Room for at least this id, doubling so that a long log is read in
    // linear time.
    if (m_Ids.m_nCharsUsed + length + 1 > m_Ids.m_nCharCapacity || m_Ids.m_nCount >= m_Ids.m_nOffsetCapacity)
        m_Ids.Grow(m_Ids.m_nCount >= m_Ids.m_nOffsetCapacity ? std::max(1u, m_Ids.m_nOffsetCapacity) : 0,
                   std::max(length + 1, m_Ids.m_nCharCapacity));
    m_Ids.Add(id);
    return plat::S_OK;
}

plat::HResult CLogWriter::WriteToLog(const char* id, const char* value)
{
    XTRACE("CLogWriter::WriteToLog()");
    if (!m_pFile || !id || std::strpbrk(id, "\t\r\n")) return plat::E_FAIL;
    const plat::HResult hr = RememberID(id);
    if (plat::Failed(hr)) return hr;
    std::fprintf(m_pFile, "%s", id);
    if (value)
        std::fprintf(m_pFile, "\t%s\n", value);
    else
        std::fprintf(m_pFile, "\tNULL\n");
    std::fflush(m_pFile);
    return plat::S_OK;
}

void CLogWriter::Close()
{
    if (m_pFile) std::fclose(m_pFile);
    m_pFile = nullptr;
    m_Ids.Free();
}
