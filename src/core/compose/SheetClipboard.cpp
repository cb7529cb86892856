#include "core/compose/SheetClipboard.h"

#include "core/exchange/GradeSheet.h"

namespace ekaldo {

QString SheetClipboardText(const GradeSheet& sheet, bool& complete, qsizetype capacity) {
    QString text;
    complete = true;
    for (int r = 0; r < sheet.RowCount(); ++r) {
        QString line;
        for (int c = 1; c < sheet.ColCount(); ++c) {
            if (c > 1)
                line += QLatin1Char('\t');
            const QStringView cell = sheet.CellView(r, c);
            line += (cell == u"-2" || cell == u"-1") ? QStringView(u"x") : cell;
        }
        line += QStringLiteral("\r\n");
        if (text.size() + line.size() > capacity) {
            complete = false;
            break;
        }
        text += line;
    }
    return text;
}

} // namespace ekaldo
