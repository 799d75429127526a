#include "foundation/FileHandler.h"

#include "foundation/ErrorLog.h"
#include "platform/File.h"

CGuidKey IFileHandler::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKeyConcat(&key, "IGUID_", "IFileHandler");
}

bool IFileHandler::ReadBlock(CMemStream& stream, const char* path)
{
    std::uint32_t count = 0;
    if (Read(&count, sizeof(count)) == 0) return false;
    // A damaged count must not turn into a huge allocation or a read past
    // the end: it has to fit in what the file still holds.
    const std::uint32_t position = Tell();
    const std::uint32_t length = GetLength();
    if (position > length || count > length - position)
    {
        g_ErrorLog.LogError(
            "File '%s': block of %u bytes at offset %u runs past the end of the file (%u bytes)", path, count,
            position, length);
        return false;
    }
    if (count > stream.m_nCapacity) stream.Allocate(count);
    if (count && Read(stream.m_pData, count) == 0)
    {
        g_ErrorLog.LogError("File '%s': cannot read the block of %u bytes at offset %u", path, count,
                            position);
        return false;
    }
    return true;
}

// --- StdFile ----------------------------------------------------------------

StdFile::~StdFile()
{
    Close();
}

bool StdFile::Open(const char* path, bool readOnly)
{
    Close();
    m_path = path;
    if (readOnly)
        m_pFile = plat::FOpen(path, "rb");
    else
    {
        m_pFile = plat::FOpen(path, "rb+");
        if (!m_pFile) m_pFile = plat::FOpen(path, "wb");
    }
    return m_pFile != nullptr;
}

bool StdFile::Create(const char* path)
{
    Close();
    m_path = path;
    m_pFile = plat::FOpen(path, "wb");
    return m_pFile != nullptr;
}

bool StdFile::Close()
{
    if (!m_pFile) return false;
    const bool closed = std::fclose(m_pFile) == 0;
    m_pFile = nullptr;
    return closed;
}

bool StdFile::Seek(std::int32_t offset, std::int32_t whence)
{
    return m_pFile && std::fseek(m_pFile, offset, whence) == 0;
}

std::uint32_t StdFile::Read(void* buffer, std::uint32_t size)
{
    return m_pFile ? static_cast<std::uint32_t>(std::fread(buffer, size, 1, m_pFile)) : 0;
}

std::uint32_t StdFile::Write(const void* buffer, std::uint32_t size)
{
    return m_pFile ? static_cast<std::uint32_t>(std::fwrite(buffer, size, 1, m_pFile)) : 0;
}

std::uint32_t StdFile::Tell()
{
    const long position = m_pFile ? std::ftell(m_pFile) : -1;
    return position < 0 ? 0 : static_cast<std::uint32_t>(position);
}

std::uint32_t StdFile::GetLength()
{
    if (!m_pFile) return 0;
    const long position = std::ftell(m_pFile);
    std::fseek(m_pFile, 0, SEEK_END);
    const long length = std::ftell(m_pFile);
    std::fseek(m_pFile, position, SEEK_SET);
    return length < 0 ? 0 : static_cast<std::uint32_t>(length);
}

bool StdFile::IsEOF()
{
    return !m_pFile || std::feof(m_pFile) != 0;
}

bool StdFile::WriteStream(const CMemStream& stream)
{
    const std::uint32_t count = stream.m_nPosition;
    if (Write(&count, sizeof(count)) == 0) return false;
    return count == 0 || Write(stream.m_pData, count) == 1;
}

bool StdFile::ReadStream(CMemStream& stream)
{
    return ReadBlock(stream, m_path.c_str());
}

// --- CFileHandler -----------------------------------------------------------

bool CFileHandler::Open(const char* path, bool /*readOnly*/)
{
    m_path = path;
    return GetPakFileSystem().OpenStream(path, m_Stream);
}

bool CFileHandler::Close()
{
    m_Stream.Close();
    return true;
}

bool CFileHandler::Seek(std::int32_t offset, std::int32_t whence)
{
    m_Stream.Seek(offset, whence);
    return true;
}

std::uint32_t CFileHandler::Read(void* buffer, std::uint32_t size)
{
    return m_Stream.Read(buffer, size);
}

bool CFileHandler::ReadStream(CMemStream& stream)
{
    return ReadBlock(stream, m_path.c_str());
}
