#include "schooldb/BlockCipher.h"

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

} // namespace ekaldo::schooldb::BlockCipher
