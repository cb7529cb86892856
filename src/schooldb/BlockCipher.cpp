#include "schooldb/BlockCipher.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
void px_decrypt_db_block(unsigned char* src, unsigned char* dest, unsigned long encryption,
                         unsigned long blocksize, unsigned long blockno);
void px_encrypt_db_block(unsigned char* src, unsigned char* dest, unsigned long encryption,
                         unsigned long blocksize, unsigned long blockno);
unsigned long px_passwd_checksum(const char* passwd);
}

namespace ekaldo::schooldb::BlockCipher {

std::uint32_t PasswordChecksum(const QByteArray& password) {
    // constData() is NUL-terminated; an embedded NUL would cut the password,
    // so such a password can never match and is reduced to a value no header holds.
    if (password.contains('\0'))
        return 0;
    return static_cast<std::uint32_t>(px_passwd_checksum(password.constData()));
}

// The library functions take distinct source and destination buffers.
void DecryptBlock(unsigned char* block, std::size_t size, std::uint32_t encryption,
                  std::uint32_t blockNumber) {
    std::vector<unsigned char> source(block, block + size);
    px_decrypt_db_block(source.data(), block, encryption, size, blockNumber);
}

void DecryptBlockInto(unsigned char* source, unsigned char* dest, std::size_t size, std::uint32_t encryption,
                      std::uint32_t blockNumber) {
    px_decrypt_db_block(source, dest, encryption, size, blockNumber);
}

void EncryptBlock(unsigned char* block, std::size_t size, std::uint32_t encryption,
                  std::uint32_t blockNumber) {
    std::vector<unsigned char> source(block, block + size);
    px_encrypt_db_block(source.data(), block, encryption, size, blockNumber);
}

ChunkKeys::ChunkKeys(std::uint32_t encryption, std::size_t blockSize)
    : m_encryption(encryption), m_blockSize(blockSize) {}

namespace {

std::vector<unsigned char> Encrypted(std::vector<unsigned char> plain, std::uint32_t encryption,
                                     std::uint32_t blockNumber) {
    std::vector<unsigned char> cipher(plain.size());
    px_encrypt_db_block(plain.data(), cipher.data(), encryption, plain.size(), blockNumber);
    return cipher;
}

std::vector<ChunkKeys::Chunk> Learn(std::uint32_t encryption, std::size_t blockSize,
                                    std::uint32_t blockNumber) {
    const std::size_t count = blockSize / kChunkSize;
    if (count == 0 || blockSize % kChunkSize != 0)
        return {};
    std::vector<unsigned char> probe(blockSize, 0);
    const std::vector<unsigned char> zeros = Encrypted(probe, encryption, blockNumber);
    for (std::size_t i = 0; i < blockSize; ++i)
        probe[i] = static_cast<unsigned char>(i % kChunkSize);
    const std::vector<unsigned char> counted = Encrypted(probe, encryption, blockNumber);

    std::vector<ChunkKeys::Chunk> chunks(count);
    for (std::size_t c = 0; c < count; ++c) {
        const unsigned char* z = zeros.data() + c * kChunkSize;
        const unsigned char* n = counted.data() + c * kChunkSize;
        std::array<bool, kChunkSize> seen{};
        for (std::size_t at = 0; at < kChunkSize; ++at) {
            const unsigned i = n[at] ^ z[at]; // the plain byte that landed here
            if (seen[i])
                return {};
            seen[i] = true;
            chunks[c].place[i] = static_cast<std::uint8_t>(at);
            chunks[c].stream[i] = z[at];
        }
    }

    // Two probes fit any cipher that moves and XORs; a third with no pattern
    // tells whether this one really does.
    std::uint32_t seed = 0x9E3779B9u ^ blockNumber;
    for (unsigned char& byte : probe) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(seed >> 24);
    }
    const std::vector<unsigned char> expected = Encrypted(probe, encryption, blockNumber);
    for (std::size_t c = 0; c < count; ++c) {
        for (std::size_t i = 0; i < kChunkSize; ++i) {
            const std::size_t plainAt = c * kChunkSize + i;
            const std::size_t cipherAt = c * kChunkSize + chunks[c].place[i];
            if (expected[cipherAt] != (probe[plainAt] ^ chunks[c].stream[i]))
                return {};
        }
    }
    return chunks;
}

} // namespace

const std::vector<ChunkKeys::Chunk>* ChunkKeys::For(std::uint32_t blockNumber) {
    for (const Learned& learned : m_learned) {
        if (learned.blockNumber == blockNumber)
            return learned.chunks.empty() ? nullptr : &learned.chunks;
    }
    // Learning costs more than one store the long way: a block is learned
    // only when a second store comes to it, as in a posting run, never for
    // stores scattered over the table.
    const auto seen = std::find(m_seenOnce.begin(), m_seenOnce.end(), blockNumber);
    if (seen == m_seenOnce.end()) {
        if (m_seenOnce.size() >= 8)
            m_seenOnce.pop_back();
        m_seenOnce.push_front(blockNumber);
        return nullptr;
    }
    m_seenOnce.erase(seen);
    if (m_learned.size() >= 8)
        m_learned.pop_back();
    m_learned.push_front({blockNumber, Learn(m_encryption, m_blockSize, blockNumber)});
    return m_learned.front().chunks.empty() ? nullptr : &m_learned.front().chunks;
}

} // namespace ekaldo::schooldb::BlockCipher
