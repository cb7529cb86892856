#include "schooldb/BlockCipher.h"

#include <algorithm>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <cstring>
#include <mutex>
#include <utility>
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

namespace {

std::vector<unsigned char> Encrypted(std::vector<unsigned char> plain, std::uint32_t encryption,
                                     std::uint32_t blockNumber) {
    std::vector<unsigned char> cipher(plain.size());
    px_encrypt_db_block(plain.data(), cipher.data(), encryption, plain.size(), blockNumber);
    return cipher;
}

std::vector<unsigned char> RandomBytes(std::size_t size, std::uint32_t seed) {
    std::vector<unsigned char> bytes(size);
    for (unsigned char& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(seed >> 24);
    }
    return bytes;
}

} // namespace

bool TableKeys::Learn(std::uint32_t encryption) {
    std::vector<unsigned char> counted(kChunkSize);
    for (std::size_t i = 0; i < kChunkSize; ++i)
        counted[i] = static_cast<unsigned char>(i);
    const std::vector<unsigned char> zeros(kChunkSize, 0);
    // Block number 256 stands for 0, which no data block has.
    for (std::uint32_t n = 1; n <= 256; ++n) {
        const std::vector<unsigned char> z = Encrypted(zeros, encryption, n);
        const std::vector<unsigned char> c = Encrypted(counted, encryption, n);
        std::array<bool, kChunkSize> seen{};
        for (std::size_t at = 0; at < kChunkSize; ++at) {
            const unsigned i = c[at] ^ z[at]; // the plain byte that landed here
            if (seen[i])
                return false;
            seen[i] = true;
            m_place[n % 256][i] = static_cast<std::uint8_t>(at);
            m_blockStream[n % 256][at] = z[at];
        }
    }
    const std::vector<unsigned char> z =
        Encrypted(std::vector<unsigned char>(kMaxBlockSize, 0), encryption, 1);
    for (std::size_t chunk = 0; chunk < m_chunkStream.size(); ++chunk)
        for (std::size_t at = 0; at < kChunkSize; ++at)
            m_chunkStream[chunk][at] = z[chunk * kChunkSize + at] ^ z[at];

    // The probes fit any cipher of that shape; random blocks of every chunk
    // and block numbers of every kind tell whether libpx's really is one.
    for (const std::uint32_t n : {1u, 2u, 255u, 256u, 257u, 300u, 65535u}) {
        const std::vector<unsigned char> plain = RandomBytes(kMaxBlockSize, encryption ^ n);
        const std::vector<unsigned char> cipher = Encrypted(plain, encryption, n);
        for (std::size_t i = 0; i < plain.size(); ++i) {
            const Landing landing = Land(i, n);
            if (cipher[landing.cipherAt] != (plain[i] ^ landing.stream))
                return false;
        }
    }
    for (std::uint32_t n = 3; n < 255; ++n) {
        const std::vector<unsigned char> plain = RandomBytes(kChunkSize, encryption + n);
        const std::vector<unsigned char> cipher = Encrypted(plain, encryption, n);
        for (std::size_t i = 0; i < plain.size(); ++i) {
            const Landing landing = Land(i, n);
            if (cipher[landing.cipherAt] != (plain[i] ^ landing.stream))
                return false;
        }
    }
    return true;
}

std::shared_ptr<const TableKeys> TableKeys::For(std::uint32_t encryption) {
    // A school has a password or two; every table opened under one shares its keys.
    static std::mutex mutex;
    static std::vector<std::pair<std::uint32_t, std::shared_ptr<const TableKeys>>> learned;
    const std::lock_guard lock(mutex);
    for (const auto& [key, keys] : learned)
        if (key == encryption)
            return keys;
    auto keys = std::make_shared<TableKeys>();
    std::shared_ptr<const TableKeys> result;
    if (keys->Learn(encryption))
        result = std::move(keys);
    if (learned.size() >= 16)
        learned.erase(learned.begin());
    learned.emplace_back(encryption, result);
    return result;
}

bool TableKeys::Replace(unsigned char* cipher, std::size_t cipherStart, std::size_t plainAt,
                        const unsigned char* was, const unsigned char* now, std::size_t size,
                        std::uint32_t blockNumber) const {
    const Row& place = m_place[blockNumber % 256];
    const Row& blockStream = m_blockStream[blockNumber % 256];
    for (std::size_t end = plainAt + size; plainAt < end;) {
        const std::size_t chunk = plainAt / kChunkSize;
        const Row& chunkStream = m_chunkStream[chunk];
        unsigned char* bytes = cipher + (chunk * kChunkSize - cipherStart);
        const std::size_t stop = std::min(end, (chunk + 1) * kChunkSize);
        for (std::size_t i = plainAt % kChunkSize; plainAt < stop; ++plainAt, ++i, ++was, ++now) {
            const std::uint8_t at = place[i];
            const unsigned char stream = blockStream[at] ^ chunkStream[at];
            if ((bytes[at] ^ stream) != *was)
                return false;
            bytes[at] = *now ^ stream;
        }
    }
    return true;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define EKALDO_BYTE_PERMUTES 1
namespace {

// A chunk is four 64-byte registers; each 64 bytes of plain text are picked
// from them by two two-register byte permutes and the top bit of the place.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void
DecryptPermuting(unsigned char* block, std::size_t size, const std::uint8_t* place,
                 const std::uint8_t* blockStream, const std::uint8_t* chunkStreams) {
    __m512i places[4], streams[4];
    for (int g = 0; g < 4; ++g) {
        places[g] = _mm512_loadu_si512(place + 64 * g);
        streams[g] = _mm512_loadu_si512(blockStream + 64 * g);
    }
    for (std::size_t chunk = 0; chunk < size / kChunkSize; ++chunk) {
        unsigned char* bytes = block + chunk * kChunkSize;
        const std::uint8_t* chunkStream = chunkStreams + chunk * kChunkSize;
        __m512i open[4];
        for (int g = 0; g < 4; ++g)
            open[g] = _mm512_xor_si512(_mm512_xor_si512(_mm512_loadu_si512(bytes + 64 * g), streams[g]),
                                       _mm512_loadu_si512(chunkStream + 64 * g));
        for (int g = 0; g < 4; ++g) {
            const __m512i low = _mm512_permutex2var_epi8(open[0], places[g], open[1]);
            const __m512i high = _mm512_permutex2var_epi8(open[2], places[g], open[3]);
            _mm512_storeu_si512(bytes + 64 * g,
                                _mm512_mask_blend_epi8(_mm512_movepi8_mask(places[g]), low, high));
        }
    }
}

bool HasBytePermutes() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return has;
}

} // namespace
#endif

void TableKeys::Decrypt(unsigned char* block, std::size_t size, std::uint32_t blockNumber) const {
#ifdef EKALDO_BYTE_PERMUTES
    if (HasBytePermutes()) {
        DecryptPermuting(block, size, m_place[blockNumber % 256].data(),
                         m_blockStream[blockNumber % 256].data(), m_chunkStream[0].data());
        return;
    }
#endif
    DecryptBytewise(block, size, blockNumber);
}

void TableKeys::DecryptBytewise(unsigned char* block, std::size_t size, std::uint32_t blockNumber) const {
    const Row& place = m_place[blockNumber % 256];
    const Row& blockStream = m_blockStream[blockNumber % 256];
    for (std::size_t chunk = 0; chunk < size / kChunkSize; ++chunk) {
        unsigned char* bytes = block + chunk * kChunkSize;
        const Row& chunkStream = m_chunkStream[chunk];
        std::array<unsigned char, kChunkSize> open;
        for (std::size_t at = 0; at < kChunkSize; ++at)
            open[at] = bytes[at] ^ blockStream[at] ^ chunkStream[at];
        for (std::size_t i = 0; i < kChunkSize; ++i)
            bytes[i] = open[place[i]];
    }
}

} // namespace ekaldo::schooldb::BlockCipher
