#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace ekaldo::schooldb {

// The Paradox table cipher as libpx implements it. Every call into those
// functions goes through here: they are exported by the library but absent
// from its public header.
namespace BlockCipher {

// The checksum a table header stores for its password.
std::uint32_t PasswordChecksum(const QByteArray& password);

// In place. blockNumber counts data blocks from 1, as the cipher expects.
void DecryptBlock(unsigned char* block, std::size_t size, std::uint32_t encryption,
                  std::uint32_t blockNumber);
// From source into dest (both size bytes); source may be changed.
void DecryptBlockInto(unsigned char* source, unsigned char* dest, std::size_t size, std::uint32_t encryption,
                      std::uint32_t blockNumber);
void EncryptBlock(unsigned char* block, std::size_t size, std::uint32_t encryption,
                  std::uint32_t blockNumber);

// Within a block, libpx's cipher works on 256-byte chunks: each chunk's cipher
// is its plain bytes moved to other places of the chunk and XORed with a key
// stream. The places depend only on the block number modulo 256; the stream,
// taken by the place a byte lands at, is one part for the block number modulo
// 256 XORed with one part for the chunk's place in the block. TableKeys learns
// both from libpx itself for one table key (two 256-byte probes for each block
// number modulo 256, about the libpx work of 30 blocks of 16 KB with the check,
// once per process) and checks them against libpx on random blocks; decrypting
// and storing then need no call into libpx. Where the check fails, or a block
// is larger than any table's, callers go through libpx.
constexpr std::size_t kChunkSize = 256;
constexpr std::size_t kMaxBlockSize = 32 * 1024;

class TableKeys {
public:
    // The keys of that table key, learned once per process; nullptr where
    // libpx's cipher is not of that shape.
    static std::shared_ptr<const TableKeys> For(std::uint32_t encryption);

    // In place; size a multiple of kChunkSize, at most kMaxBlockSize. With
    // the processor's byte permutes where it has them, else byte by byte.
    void Decrypt(unsigned char* block, std::size_t size, std::uint32_t blockNumber) const;
    // Byte by byte always: what Decrypt does on other processors.
    void DecryptBytewise(unsigned char* block, std::size_t size, std::uint32_t blockNumber) const;

    // Plain byte plainAt of a block lands at cipherAt of the block, XORed with stream.
    struct Landing {
        std::size_t cipherAt;
        unsigned char stream;
    };
    Landing Land(std::size_t plainAt, std::uint32_t blockNumber) const {
        const std::size_t chunk = plainAt / kChunkSize;
        const std::uint8_t at = m_place[blockNumber % 256][plainAt % kChunkSize];
        return {chunk * kChunkSize + at,
                static_cast<unsigned char>(m_blockStream[blockNumber % 256][at] ^ m_chunkStream[chunk][at])};
    }

    // Puts the plain bytes now in place of was at plainAt..plainAt+size of a
    // block, in cipher, which holds the block's cipher from cipherStart (a
    // chunk's start) on; false where the cipher does not hold was, and then
    // cipher is left part changed.
    bool Replace(unsigned char* cipher, std::size_t cipherStart, std::size_t plainAt,
                 const unsigned char* was, const unsigned char* now, std::size_t size,
                 std::uint32_t blockNumber) const;

private:
    using Row = std::array<std::uint8_t, kChunkSize>;
    bool Learn(std::uint32_t encryption);

    std::array<Row, 256> m_place;                              // plain i of a chunk lands at m_place[..][i]
    std::array<Row, 256> m_blockStream;                        // by the place landed at
    std::array<Row, kMaxBlockSize / kChunkSize> m_chunkStream; // by the place landed at
};

} // namespace BlockCipher
} // namespace ekaldo::schooldb
