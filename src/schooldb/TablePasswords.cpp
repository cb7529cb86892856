#include "schooldb/TablePasswords.h"

#include <cstdint>

namespace ekaldo::schooldb {
namespace {

// Kept as numbers and turned into text only when asked for, so that neither
// password lies in the executable as a string.
constexpr std::uint32_t kMask = 0x3C5A96u;
constexpr std::uint32_t kUserTableCode = 604117u ^ kMask;
constexpr std::uint32_t kDataTableCode = 52389u ^ kMask;

} // namespace

QString UserTablePassword() {
    return QString::number(kUserTableCode ^ kMask);
}
QString DataTablePassword() {
    return QString::number(kDataTableCode ^ kMask);
}

} // namespace ekaldo::schooldb
