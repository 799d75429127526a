// CPackCodec: encodes, decodes and checksums the blocks of pack files.
//
// Method codes: 0 stored, 1 LZO (LZO1X-999 with optimisation; decoded by the
// bounded LZO1X decompressor), 4 RLE16 (16-bit word run-length code); every
// other code stores the block as it is. Every block is blockSize unpacked
// bytes. Decoding never writes past blockSize bytes and reports a damaged
// block instead of producing more or fewer bytes.
//
// Ownership: the codec owns its LZO work memory (allocated on the first LZO
// encode; decoding needs none). Thread safety: one codec per user; a pack
// reader guards its codec with its own lock.
#pragma once

#include <cstdint>
#include <vector>

class CPackCodec
{
public:
    static constexpr std::uint32_t kStored = 0;
    static constexpr std::uint32_t kLzo = 1;
    static constexpr std::uint32_t kRle16 = 4;
    static constexpr std::uint32_t kLzoWorkMemory = 458752;

    CPackCodec() = default;
    virtual ~CPackCodec() = default;

    // Stores the block size and checks the LZO library; false when the
    // library does not match the interface this was built against.
    bool Init(std::uint32_t blockSize);
    void Free();

    // Encodes one block of blockSize bytes into out, which holds at least
    // GetEncodeCapacity() bytes; returns the encoded length. A method that
    // cannot encode (LZO failure) returns blockSize + 1, which never wins.
    std::uint32_t Encode(std::uint32_t method, const std::uint8_t* in, std::uint8_t* out);
    // Decodes inLength bytes into out (blockSize bytes). False when the
    // encoded data is damaged (out is then undefined but never overrun).
    bool Decode(std::uint32_t method, const std::uint8_t* in, std::uint32_t inLength,
                std::uint8_t* out) const;
    // Sum of the blockSize bytes as unsigned values, modulo 2^32.
    std::uint32_t Checksum(const std::uint8_t* block) const;
    static std::uint32_t Checksum(const std::uint8_t* block, std::uint32_t size);

    // Room an encoder needs: RLE16 of incompressible words and LZO's
    // worst case both exceed one and a half blocks for small block sizes.
    std::uint32_t GetEncodeCapacity() const { return 2 * m_nBlockSize + 128; }
    // The longest encoded record a decoder accepts (LZO's worst case).
    std::uint32_t GetMaxEncodedLength() const { return m_nBlockSize + m_nBlockSize / 16 + 64 + 3; }
    std::uint32_t GetBlockSize() const { return m_nBlockSize; }

private:
    std::uint32_t EncodeLzo(const std::uint8_t* in, std::uint8_t* out);
    std::uint32_t EncodeRle16(const std::uint8_t* in, std::uint8_t* out) const;
    bool DecodeRle16(const std::uint8_t* in, std::uint32_t inLength, std::uint8_t* out) const;

    std::vector<std::uint8_t> m_workMemory;
    std::vector<std::uint8_t> m_scratch; // LZO's optimiser rebuilds the block here
    std::uint32_t m_nBlockSize = 0;
};
