#include "script/ScriptInter.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Settings.h"
#include "foundation/StreamReader.h"
#include "platform/CodePage.h"
#include "platform/File.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace
{
void CopyCut(char* out, std::size_t size, const std::string& text)
{
    std::snprintf(out, size, "%s", text.c_str());
}

// The text of a line: the pool's entry, "" out of range.
std::string LineAt(CStringPool* lines, std::int32_t index)
{
    if (!lines || index < 0 || static_cast<std::uint32_t>(index) >= lines->GetCount())
        return std::string();
    return lines->Get(static_cast<std::uint32_t>(index));
}

bool InPool(CStringPool* lines, std::int32_t index)
{
    return lines && index >= 0 && static_cast<std::uint32_t>(index) < lines->GetCount();
}

// Reads one line of any length; false at the end of the file.
bool ReadLine(std::FILE* file, std::string& line)
{
    line.clear();
    char chunk[256];
    while (std::fgets(chunk, sizeof(chunk), file))
    {
        line += chunk;
        if (!line.empty() && line.back() == '\n')
            return true;
    }
    return !line.empty();
}
} // namespace

CScriptInter::CScriptInter() : m_pArguments(new CStringPool(10, 8000))
{
}

CScriptInter::~CScriptInter()
{
    delete m_pArguments;
}

bool CScriptInter::CheckVar(const char*)
{
    return false;
}

bool CScriptInter::RunFunction(const char*, CStringPool*)
{
    return true;
}

bool CScriptInter::LoadScript(const char* path, CStringPool** lines, bool fullPath)
{
    if (!path || !lines)
        return false;
    if (!*lines)
        *lines = new CStringPool(100, 8000);
    std::string file;
    if (fullPath)
    {
        (*lines)->Empty();
        file = path;
    }
    else
        file = (m_baseDir.empty() ? GetEngineBaseDirectory() : m_baseDir) + "SCRIPT\\" + path;
    return LoadLines(file, *lines);
}

bool CScriptInter::LoadLines(const std::string& file, CStringPool* pool)
{
    const std::string real = plat::ResolvePath(file.c_str());
    for (const std::string& open : m_including)
        if (open == real)
        {
            g_ErrorLog.LogError("CScriptInter::LoadScript '%s' includes itself", file.c_str());
            return false;
        }
    if (m_including.size() >= static_cast<std::size_t>(kMaxIncludeDepth))
    {
        g_ErrorLog.LogError("CScriptInter::LoadScript '%s' included more than %d deep", file.c_str(),
                            kMaxIncludeDepth);
        return false;
    }
    std::FILE* in = plat::FOpen(file.c_str(), "rb");
    if (!in)
    {
        // A script that is not there is the caller's to report; a missing
        // include is reported here, naming the including file.
        if (!m_including.empty())
            g_ErrorLog.LogError("CScriptInter::LoadScript '%s' includes '%s', which does not open",
                                m_including.back().c_str(), file.c_str());
        return false;
    }
    m_including.push_back(real);
    std::string line;
    try
    {
        while (ReadLine(in, line))
        {
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            for (char& c : line)
                c = plat::CharUpper1251(c);
            if (line.find("INCLUDE") != std::string::npos && line[0] != '/')
            {
                const std::size_t blank = line.find_last_of(' ');
                const std::string name = blank == std::string::npos ? std::string() : line.substr(blank + 1);
                LoadScript(name.c_str(), &pool, false);
                continue;
            }
            if (line.find("//") != std::string::npos)
                continue;
            std::string clean;
            for (char c : line)
                if (c != ' ' && c != '\t' && c != ';' && c != '\r' && c != '\n')
                    clean += c;
            if (!clean.empty())
                pool->Add(clean.c_str());
        }
    }
    catch (...)
    {
        std::fclose(in);
        m_including.pop_back();
        throw;
    }
    std::fclose(in);
    m_including.pop_back();
    return true;
}

int CScriptInter::GetFunction(const char* text)
{
    m_pArguments->Empty();
    m_szName[0] = '\0';
    const std::string line = text ? text : "";
    if (line.empty() || line[0] != '_' || line.size() - 1 < 2)
        return -1;
    const std::size_t open = line.find('(');
    const std::string name = line.substr(1, open == std::string::npos ? std::string::npos : open - 1);
    CopyCut(m_szName, sizeof(m_szName), name);
    if (open != std::string::npos)
    {
        std::string piece;
        for (std::size_t i = open + 1; i < line.size(); ++i)
        {
            if (line[i] == ',' || line[i] == ')')
            {
                m_pArguments->Add(piece.c_str());
                piece.clear();
            }
            else
                piece += line[i];
        }
    }
    int sum = 0;
    for (char c : name)
        sum += static_cast<signed char>(c);
    return sum;
}

bool CScriptInter::CallFunction(const char* line)
{
    if (GetFunction(line) == -1)
        return false;
    RunFunction(m_szName, m_pArguments);
    return true;
}

bool CScriptInter::Operand(const std::string& text)
{
    bool negate = false;
    std::string operand = text;
    if (!operand.empty() && operand[0] == '!')
    {
        negate = true;
        operand.erase(0, 1);
    }
    bool value;
    if (!operand.empty() && operand[0] == '_')
        value = GetFunction(operand.c_str()) != -1 && RunFunction(m_szName, m_pArguments);
    else
        value = CheckVar(operand.c_str());
    return negate ? !value : value;
}

bool CScriptInter::CheckCondition(const char* text)
{
    const std::string line = text ? text : "";
    const std::size_t open = line.find('(');
    std::string condition;
    if (open != std::string::npos && open + 1 < line.size())
        condition = line.substr(open + 1, line.size() - open - 2);
    CopyCut(m_szCondition, sizeof(m_szCondition), condition);
    std::size_t at = condition.find('&');
    if (at != std::string::npos)
    {
        const bool left = Operand(condition.substr(0, at));
        const bool right = Operand(condition.substr(at + 1));
        return left && right;
    }
    at = condition.find('|');
    if (at != std::string::npos)
    {
        const bool left = Operand(condition.substr(0, at));
        const bool right = Operand(condition.substr(at + 1));
        return left || right;
    }
    if (condition.find('!') != std::string::npos)
    {
        if (condition[0] == '!')
            return Operand(condition);
        g_ErrorLog.LogError("CScriptInter::CheckCondition Logical error");
        return false;
    }
    return Operand(condition);
}

bool CScriptInter::RunBlock(CStringPool* lines)
{
    XTRACE("CScriptInter::RunBlock");
    const std::string line = LineAt(lines, m_nCurrentLine++);
    if (line == "{")
    {
        ++m_nDepth;
        return true;
    }
    if (line == "}")
    {
        --m_nDepth;
        return true;
    }
    // Skips from a "{" (already taken) to its matching "}"; false when the
    // lines end first.
    auto skipBlock = [&]() {
        int open = 1;
        while (InPool(lines, m_nCurrentLine))
        {
            const std::string skipped = LineAt(lines, m_nCurrentLine++);
            if (skipped == "{")
                ++open;
            else if (skipped == "}" && --open == 0)
                return true;
        }
        return false;
    };
    if (line == "ELSE")
    {
        if (LineAt(lines, m_nCurrentLine++) != "{")
            return false;
        skipBlock();
        return true;
    }
    if (line.compare(0, 2, "IF") == 0)
    {
        const bool holds = CheckCondition(line.c_str());
        if (LineAt(lines, m_nCurrentLine++) != "{")
            return false;
        if (holds)
        {
            ++m_nDepth;
            return true;
        }
        if (!skipBlock())
            return false;
        if (LineAt(lines, m_nCurrentLine) == "ELSE")
        {
            if (LineAt(lines, m_nCurrentLine + 1) != "{")
                return false;
            m_nCurrentLine += 2;
            ++m_nDepth;
        }
        return true;
    }
    return CallFunction(line.c_str());
}

int CScriptInter::RunScript(CStringPool** lines, const char* procedure)
{
    XTRACE("CScriptInter::RunScript");
    m_nCurrentLine = 0;
    m_nDepth = 0;
    CStringPool* pool = lines ? *lines : nullptr;
    if (!pool)
        return 0;
    if (procedure)
    {
        const std::string proc = std::string("PROC") + procedure;
        int found = pool->Find(proc.c_str());
        if (found < 0)
            found = pool->Find((proc + "()").c_str());
        if (found < 0)
            return 0;
        m_nCurrentLine = found + 1;
    }
    while (InPool(pool, m_nCurrentLine))
    {
        const std::string line = LineAt(pool, m_nCurrentLine);
        if (line == "END")
            break;
        if (line.find("RETURN") != std::string::npos)
        {
            const std::size_t open = line.find('(');
            if (line.size() < 7 || open == std::string::npos || open + 1 >= line.size())
                CopyCut(m_szResult, sizeof(m_szResult), " ");
            else
                CopyCut(m_szResult, sizeof(m_szResult), line.substr(open + 1, line.size() - open - 2));
            break;
        }
        RunBlock(pool);
    }
    return 1;
}

bool CScriptInter::SaveCompiled(const char* fileName, CStringPool* lines)
{
    if (!fileName || !lines)
        return false;
    std::FILE* file = plat::FOpen(fileName, "wb");
    if (!file)
        return false;
    CMemStream stream;
    stream.Allocate(80000);
    lines->SaveToStream(stream);
    const std::uint32_t size = stream.m_nPosition;
    const std::uint8_t count[4] = {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                   static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
    bool ok = std::fwrite(count, 4, 1, file) == 1 && std::fwrite(stream.m_pData, size, 1, file) == 1;
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

bool CScriptInter::LoadCompiled(const char* fileName, CStringPool** lines)
{
    if (!fileName || !lines)
        return false;
    CPakStream file;
    if (!GetPakFileSystem().OpenStream(fileName, file))
        return false;
    try
    {
        const std::uint32_t length = file.GetLength();
        std::uint8_t count[4];
        if (length < 4 || file.ReadBytes(count, 4) != 4)
            throw CStreamError("no byte count");
        const std::uint32_t size = count[0] | (count[1] << 8) | (count[2] << 16) | (static_cast<std::uint32_t>(count[3]) << 24);
        if (size > length - 4)
            throw CStreamError("byte count " + std::to_string(size) + " past the end of the file");
        CMemStream stream;
        stream.Allocate(size);
        if (size && file.ReadBytes(stream.m_pData, size) != size)
            throw CStreamError("cut short");
        auto pool = std::make_unique<CStringPool>();
        pool->LoadFromStream(stream);
        delete *lines;
        *lines = pool.release();
        return true;
    }
    catch (const CStreamError& error)
    {
        g_ErrorLog.LogError("CScriptInter::LoadCompiled '%s': %s", fileName, error.what());
        return false;
    }
}
