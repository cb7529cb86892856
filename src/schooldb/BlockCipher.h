#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <deque>
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

// Within a block, libpx's cipher works on 256-byte chunks, and each chunk's
// cipher is its plain bytes XORed with a key stream and moved to other places
// of the chunk; stream and places depend only on the table's key, the block
// number and the chunk's place in the block. ChunkKeys learns them for a block
// from libpx itself (two probes) and checks them against libpx (a third), so
// that a store rewrites a record's own bytes instead of re-encrypting the whole
// block around it. Where the check fails, For() returns nothing and the caller
// goes the long way through EncryptBlock.
constexpr std::size_t kChunkSize = 256;

class ChunkKeys {
public:
    struct Chunk {
        std::array<std::uint8_t, kChunkSize> place;  // plain byte i lands at place[i]
        std::array<std::uint8_t, kChunkSize> stream; // and is XORed with stream[i]
    };

    ChunkKeys(std::uint32_t encryption, std::size_t blockSize);

    // The keys of every chunk of that block, or nullptr (the first time a
    // block is asked for, or where the cipher is not of that shape).
    const std::vector<Chunk>* For(std::uint32_t blockNumber);

private:
    struct Learned {
        std::uint32_t blockNumber = 0;
        std::vector<Chunk> chunks; // empty: libpx's cipher is not of that shape here
    };

    std::uint32_t m_encryption;
    std::size_t m_blockSize;
    // A posting run moves through the blocks in order and back a little; a few
    // blocks learned are plenty.
    std::deque<Learned> m_learned;
    std::deque<std::uint32_t> m_seenOnce; // blocks stored into once, not learned
};

} // namespace BlockCipher
} // namespace ekaldo::schooldb
