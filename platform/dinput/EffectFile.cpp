#include "platform/dinput/EffectFile.h"

#include "platform/File.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace plat
{
namespace
{

// Effect files are a few hundred bytes; anything far larger is not one.
constexpr std::size_t kMaxFileSize = 1u << 20;
constexpr std::size_t kMinEffectBlock = 20;  // through the gain
constexpr std::size_t kFullEffectBlock = 56; // with the start delay

// The bytes of a GUID after its first field, common to every effect type.
constexpr std::uint8_t kGuidTail[12] = {0x33, 0x8E, 0xD0, 0x11, 0x9A, 0xD0,
                                        0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35};
constexpr std::uint32_t kGuidFirst = 0x13541C20;

std::uint32_t U32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t I32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(U32(p));
}

bool Tag(const std::uint8_t* p, const char* tag)
{
    return std::memcmp(p, tag, 4) == 0;
}

std::string TagText(const std::uint8_t* p)
{
    std::string text;
    for (int i = 0; i < 4; ++i)
        text += (p[i] >= 0x20 && p[i] < 0x7F) ? static_cast<char>(p[i]) : '?';
    return text;
}

bool IsPeriodic(EEffectKind kind)
{
    return kind >= EEffectKind::Square && kind <= EEffectKind::SawtoothDown;
}

bool IsCondition(EEffectKind kind)
{
    return kind >= EEffectKind::Spring && kind <= EEffectKind::Friction;
}

class CParser
{
public:
    CParser(const std::uint8_t* data, std::size_t size, std::vector<FileEffect>* effects, std::string* error)
        : m_pData(data), m_nSize(size), m_pEffects(effects), m_pError(error)
    {
    }

    bool Parse()
    {
        if (m_nSize < 12) return Fail(0, "too short for a RIFF header");
        if (!Tag(m_pData, "RIFF")) return Fail(0, "no RIFF header");
        const std::size_t riffSize = U32(m_pData + 4);
        if (riffSize < 4 || riffSize > m_nSize - 8) return Fail(4, "RIFF size past the end of the file");
        if (!Tag(m_pData + 8, "FORC"))
            return Fail(8, "not a force-feedback form ('" + TagText(m_pData + 8) + "')");
        const std::size_t end = 8 + riffSize;
        std::size_t pos = 12;
        while (pos < end)
        {
            std::size_t body = 0;
            std::size_t length = 0;
            if (!Chunk(pos, end, &body, &length)) return false;
            if (Tag(m_pData + pos, "LIST") && length >= 4 && Tag(m_pData + body, "efct"))
            {
                if (!Effect(body + 4, body + length)) return false;
            }
            pos = body + length + (length & 1);
        }
        return true;
    }

private:
    bool Fail(std::size_t offset, const std::string& what)
    {
        if (m_pError) *m_pError = what + " at offset " + std::to_string(offset);
        return false;
    }

    // The chunk header at pos: its body and length, checked against end.
    bool Chunk(std::size_t pos, std::size_t end, std::size_t* body, std::size_t* length)
    {
        if (end - pos < 8) return Fail(pos, "chunk header past the end");
        *length = U32(m_pData + pos + 4);
        *body = pos + 8;
        if (*length > end - *body)
            return Fail(pos, "chunk '" + TagText(m_pData + pos) + "' past the end of its parent");
        return true;
    }

    bool Effect(std::size_t pos, std::size_t end)
    {
        const std::size_t start = pos;
        FileEffect effect;
        const std::uint8_t* id = nullptr;
        const std::uint8_t* block = nullptr;
        std::size_t blockSize = 0;
        const std::uint8_t* params = nullptr;
        std::size_t paramsSize = 0;
        std::size_t paramsPos = 0;
        while (pos < end)
        {
            std::size_t body = 0;
            std::size_t length = 0;
            if (!Chunk(pos, end, &body, &length)) return false;
            const std::uint8_t* tag = m_pData + pos;
            if (Tag(tag, "name"))
                effect.name.assign(reinterpret_cast<const char*>(m_pData + body),
                                   strnlen(reinterpret_cast<const char*>(m_pData + body), length));
            else if (Tag(tag, "id  "))
            {
                if (length != 16)
                    return Fail(pos, "effect type id of " + std::to_string(length) + " bytes, 16 expected");
                id = m_pData + body;
            }
            else if (Tag(tag, "data"))
            {
                if (length < kMinEffectBlock)
                    return Fail(pos, "effect block of " + std::to_string(length) + " bytes, at least " +
                                         std::to_string(kMinEffectBlock) + " needed");
                block = m_pData + body;
                blockSize = length;
            }
            else if (Tag(tag, "prm "))
            {
                params = m_pData + body;
                paramsSize = length;
                paramsPos = pos;
            }
            pos = body + length + (length & 1);
        }
        if (!id) return Fail(start, "effect without a type id");
        if (!block) return Fail(start, "effect without an effect block");

        const std::uint32_t first = U32(id);
        if (first < kGuidFirst || first > kGuidFirst + 11 || std::memcmp(id + 4, kGuidTail, 12) != 0)
            return true; // a kind the engine cannot play: skipped
        EffectParams& p = effect.params;
        p.kind = static_cast<EEffectKind>(first - kGuidFirst);
        p.durationUs = U32(block + 8);
        p.gain = U32(block + 16);
        if (blockSize >= kFullEffectBlock) p.startDelayUs = U32(block + 52);

        if (params)
        {
            std::size_t needed = 4;
            if (p.kind == EEffectKind::Ramp || IsCondition(p.kind))
                needed = 8;
            else if (IsPeriodic(p.kind))
                needed = 16;
            if (p.kind != EEffectKind::Custom && paramsSize < needed)
                return Fail(paramsPos, "effect parameters of " + std::to_string(paramsSize) + " bytes, " +
                                           std::to_string(needed) + " needed");
            if (p.kind == EEffectKind::Constant)
                p.magnitude = I32(params);
            else if (p.kind == EEffectKind::Ramp)
            {
                p.magnitude = I32(params);
                p.rampEnd = I32(params + 4);
            }
            else if (IsPeriodic(p.kind))
            {
                p.magnitude = static_cast<std::int32_t>(std::min<std::uint32_t>(U32(params), 10000));
                p.periodUs = U32(params + 12);
            }
            else if (IsCondition(p.kind))
                p.magnitude = I32(params + 4);
        }
        m_pEffects->push_back(effect);
        return true;
    }

    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::vector<FileEffect>* m_pEffects;
    std::string* m_pError;
};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag)
{
    // One byte at a time: GCC 12 warns falsely (stringop-overflow) about an
    // insert of a range into a vector that may be empty.
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* tag, const std::vector<std::uint8_t>& body)
{
    PutTag(out, tag);
    PutU32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1) out.push_back(0);
}

} // namespace

bool ParseEffectFile(const std::uint8_t* data, std::size_t size, std::vector<FileEffect>* effects,
                     std::string* error)
{
    effects->clear();
    if (!data) size = 0;
    std::vector<FileEffect> found;
    CParser parser(data, size, &found, error);
    if (!parser.Parse()) return false;
    *effects = std::move(found);
    return true;
}

bool ReadEffectFile(const char* path, std::vector<FileEffect>* effects, std::string* error)
{
    effects->clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(FOpen(path, "rb"), &std::fclose);
    if (!file)
    {
        *error = "cannot open the file";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file.get())) > 0)
    {
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > kMaxFileSize)
        {
            *error = "larger than " + std::to_string(kMaxFileSize) + " bytes";
            return false;
        }
    }
    if (std::ferror(file.get()))
    {
        *error = "read error";
        return false;
    }
    return ParseEffectFile(bytes.data(), bytes.size(), effects, error);
}

std::vector<std::uint8_t> WriteEffectFile(const std::vector<FileEffect>& effects)
{
    std::vector<std::uint8_t> form;
    PutTag(form, "FORC");
    for (const FileEffect& effect : effects)
    {
        const EffectParams& p = effect.params;
        std::vector<std::uint8_t> list;
        PutTag(list, "efct");

        std::vector<std::uint8_t> name(effect.name.begin(), effect.name.end());
        name.push_back(0);
        PutChunk(list, "name", name);

        std::vector<std::uint8_t> id;
        PutU32(id, kGuidFirst + static_cast<std::uint32_t>(p.kind));
        id.insert(id.end(), kGuidTail, kGuidTail + 12);
        PutChunk(list, "id  ", id);

        std::vector<std::uint8_t> block;
        const std::uint32_t fields[14] = {static_cast<std::uint32_t>(kFullEffectBlock),
                                          0,
                                          p.durationUs,
                                          0,
                                          p.gain,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          0,
                                          p.startDelayUs};
        for (std::uint32_t field : fields)
            PutU32(block, field);
        PutChunk(list, "data", block);

        std::vector<std::uint8_t> params;
        if (p.kind == EEffectKind::Ramp)
        {
            PutU32(params, static_cast<std::uint32_t>(p.magnitude));
            PutU32(params, static_cast<std::uint32_t>(p.rampEnd));
        }
        else if (IsPeriodic(p.kind))
        {
            PutU32(params, static_cast<std::uint32_t>(p.magnitude < 0 ? -p.magnitude : p.magnitude));
            PutU32(params, 0);
            PutU32(params, 0);
            PutU32(params, p.periodUs);
        }
        else if (IsCondition(p.kind))
        {
            PutU32(params, 0);
            PutU32(params, static_cast<std::uint32_t>(p.magnitude));
        }
        else if (p.kind == EEffectKind::Constant)
            PutU32(params, static_cast<std::uint32_t>(p.magnitude));
        if (!params.empty()) PutChunk(list, "prm ", params);

        std::vector<std::uint8_t> wrapped;
        PutChunk(wrapped, "LIST", list);
        form.insert(form.end(), wrapped.begin(), wrapped.end());
    }
    std::vector<std::uint8_t> file;
    PutChunk(file, "RIFF", form);
    return file;
}

} // namespace plat
