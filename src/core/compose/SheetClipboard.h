#pragma once

#include <QString>

namespace ekaldo {

class GradeSheet;

// How much text the copy gathers at most.
inline constexpr qsizetype kClipboardCapacity = 64 * 1024 * 1024;

// The sheet as a spreadsheet takes it from the clipboard: one line per row
// from the titles on, columns 1 onwards joined by tabs (the row keys left
// out), a cross ("-2" or "-1") as "x". Lines stop before the text would pass
// capacity characters; complete tells whether every line went in.
QString SheetClipboardText(const GradeSheet& sheet, bool& complete, qsizetype capacity = kClipboardCapacity);

} // namespace ekaldo
