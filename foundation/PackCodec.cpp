#include "foundation/PackCodec.h"

#include <lzo/lzo1x.h>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
bool LzoReady()
{
    static const bool ready = lzo_init() == LZO_E_OK;
    return ready;
}

std::uint16_t Word(const std::uint8_t* p, std::uint32_t index, std::uint32_t size)
{
    // With an odd block size the last word's high byte lies past the block;
    // it reads as 0 instead of beyond the buffer.
    const std::uint32_t at = index * 2;
    const std::uint16_t low = p[at];
    const std::uint16_t high = at + 1 < size ? p[at + 1] : 0;
    return static_cast<std::uint16_t>(low | high << 8);
}

void PutWord(std::uint8_t* out, std::uint32_t& length, std::uint16_t word)
{
    out[length] = static_cast<std::uint8_t>(word & 0xFF);
    out[length + 1] = static_cast<std::uint8_t>(word >> 8);
    length += 2;
}
} // namespace

bool CPackCodec::Init(std::uint32_t blockSize)
{
    m_nBlockSize = blockSize;
    return LzoReady();
}

void CPackCodec::Free()
{
    m_workMemory.clear();
    m_workMemory.shrink_to_fit();
    m_scratch.clear();
    m_scratch.shrink_to_fit();
}

std::uint32_t CPackCodec::Checksum(const std::uint8_t* block, std::uint32_t size)
{
    // Every block read is summed, so this runs at memory speed: sixteen
    // bytes per step through the sum-of-absolute-differences instruction.
    std::uint32_t sum = 0;
    std::uint32_t i = 0;
#if defined(__SSE2__)
    // Four independent sums, so the additions do not wait on each other.
    const __m128i zero = _mm_setzero_si128();
    __m128i sums[4] = {zero, zero, zero, zero};
    for (; i + 64 <= size; i += 64)
    {
        for (int k = 0; k < 4; ++k)
        {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + i + 16 * k));
            sums[k] = _mm_add_epi64(sums[k], _mm_sad_epu8(bytes, zero));
        }
    }
    const __m128i total = _mm_add_epi64(_mm_add_epi64(sums[0], sums[1]), _mm_add_epi64(sums[2], sums[3]));
    sum = static_cast<std::uint32_t>(_mm_cvtsi128_si64(total) +
                                     _mm_cvtsi128_si64(_mm_unpackhi_epi64(total, total)));
#endif
    for (; i < size; ++i)
        sum += block[i];
    return sum;
}

std::uint32_t CPackCodec::Checksum(const std::uint8_t* block) const
{
    return Checksum(block, m_nBlockSize);
}

std::uint32_t CPackCodec::Encode(std::uint32_t method, const std::uint8_t* in, std::uint8_t* out)
{
    switch (method)
    {
    case kLzo:
        return EncodeLzo(in, out);
    case kRle16:
        return EncodeRle16(in, out);
    default:
        std::memcpy(out, in, m_nBlockSize);
        return m_nBlockSize;
    }
}

std::uint32_t CPackCodec::EncodeLzo(const std::uint8_t* in, std::uint8_t* out)
{
    if (!LzoReady()) return m_nBlockSize + 1;
    if (m_workMemory.empty()) m_workMemory.resize(kLzoWorkMemory);
    if (m_scratch.size() < m_nBlockSize) m_scratch.resize(m_nBlockSize);
    lzo_uint outLength = 0;
    if (lzo1x_999_compress(in, m_nBlockSize, out, &outLength, m_workMemory.data()) != LZO_E_OK)
        return m_nBlockSize + 1;
    // The optimiser decompresses into the scratch block as it works; the
    // compressed length does not change.
    lzo_uint scratchLength = m_nBlockSize;
    if (lzo1x_optimize(out, outLength, m_scratch.data(), &scratchLength, nullptr) != LZO_E_OK)
        return m_nBlockSize + 1;
    return static_cast<std::uint32_t>(outLength);
}

std::uint32_t CPackCodec::EncodeRle16(const std::uint8_t* in, std::uint8_t* out) const
{
    const std::uint32_t n = m_nBlockSize;
    const std::uint32_t words = (n + 1) / 2;

    // The escape byte is the least frequent byte value, the lowest on ties.
    std::uint32_t counts[256] = {};
    for (std::uint32_t i = 0; i < n; ++i)
        ++counts[in[i]];
    std::uint32_t escape = 0;
    for (std::uint32_t v = 1; v < 256; ++v)
    {
        if (counts[v] < counts[escape]) escape = v;
    }

    std::uint32_t length = 0;
    PutWord(out, length, static_cast<std::uint16_t>(escape));
    std::uint32_t i = 0;
    while (i < words)
    {
        const std::uint16_t w = Word(in, i, n);
        std::uint32_t run = 1;
        // The last word of the block never joins a run.
        if (i + 1 < words - 1)
        {
            while (i + run < words - 1 && Word(in, i + run, n) == w && run < 257)
                ++run;
        }
        if (run > 2)
        {
            PutWord(out, length, static_cast<std::uint16_t>(escape << 8 | (run - 3)));
            PutWord(out, length, w);
            i += run;
        }
        else
        {
            if ((w >> 8) == escape) PutWord(out, length, static_cast<std::uint16_t>(escape << 8 | 255));
            PutWord(out, length, w);
            i += 1;
        }
    }
    return length;
}

bool CPackCodec::Decode(std::uint32_t method, const std::uint8_t* in, std::uint32_t inLength,
                        std::uint8_t* out) const
{
    switch (method)
    {
    case kLzo:
    {
        if (!LzoReady()) return false;
        lzo_uint outLength = m_nBlockSize;
        const int result = lzo1x_decompress_safe(in, inLength, out, &outLength, nullptr);
        return result == LZO_E_OK && outLength == m_nBlockSize;
    }
    case kRle16:
        return DecodeRle16(in, inLength, out);
    default:
        // A stored record may be shorter than a block (the tail of the
        // stream); the rest of the block reads as zeros.
        if (inLength > m_nBlockSize) return false;
        std::memcpy(out, in, inLength);
        std::memset(out + inLength, 0, m_nBlockSize - inLength);
        return true;
    }
}

bool CPackCodec::DecodeRle16(const std::uint8_t* in, std::uint32_t inLength, std::uint8_t* out) const
{
    if (inLength < 4) return false;
    const std::uint32_t n = m_nBlockSize;
    const std::uint32_t escape = in[0];
    const std::uint32_t codeWords = inLength / 2;
    std::uint32_t produced = 0; // bytes written to out
    auto emit = [&](std::uint16_t word)
    {
        // Odd block sizes: the last word's high byte has no place in the block.
        if (produced < n) out[produced] = static_cast<std::uint8_t>(word & 0xFF);
        if (produced + 1 < n) out[produced + 1] = static_cast<std::uint8_t>(word >> 8);
        produced += 2;
    };
    for (std::uint32_t k = 1; k < codeWords; ++k)
    {
        const std::uint16_t code = static_cast<std::uint16_t>(in[2 * k] | in[2 * k + 1] << 8);
        if ((code >> 8) != escape)
        {
            if (produced >= n) return false;
            emit(code);
            continue;
        }
        if (k + 1 >= codeWords) return false; // an escape without its value word
        const std::uint16_t value = static_cast<std::uint16_t>(in[2 * (k + 1)] | in[2 * (k + 1) + 1] << 8);
        ++k;
        const std::uint32_t low = code & 0xFF;
        const std::uint32_t count = low == 255 ? 1 : low + 3;
        if (produced + 2 * static_cast<std::uint64_t>(count) > static_cast<std::uint64_t>(n) + 1)
            return false;
        for (std::uint32_t c = 0; c < count; ++c)
            emit(value);
    }
    return produced == n || produced == n + 1;
}
