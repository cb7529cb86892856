#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

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

} // namespace BlockCipher
} // namespace ekaldo::schooldb
