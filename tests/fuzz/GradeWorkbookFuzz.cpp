// libFuzzer target: a workbook received from outside is read as the receive
// reads it. An input whose first byte is odd is the XML of the parts, packed
// here into a package, so that mutations reach the XML readers rather than
// the compressed bytes; any other input is the workbook file itself. A
// refusal is an answer; a crash, a hang, a leak or a sanitizer report is a fault.
#include "core/exchange/GradeWorkbook.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include <cstddef>
#include <cstdint>

using namespace ekaldo;

namespace {

const char* const kParts[] = {"xl/workbook.xml",          "xl/_rels/workbook.xml.rels",
                              "xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml",
                              "xl/sharedStrings.xml",     "xl/styles.xml"};

// The parts, separated by lines of "--part--", stored in a package.
QByteArray Packed(const QByteArray& parts) {
    static QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("fuzz.xlsx")));
    int error = 0;
    zip_t* zip = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return {};
    std::vector<QByteArray> kept;
    const QByteArray separator = "\n--part--\n";
    for (qsizetype from = 0;;) {
        const qsizetype at = parts.indexOf(separator, from);
        kept.push_back(parts.mid(from, at < 0 ? -1 : at - from));
        if (at < 0)
            break;
        from = at + separator.size();
    }
    for (std::size_t i = 0; i < kept.size() && i < std::size(kParts); ++i) {
        zip_source_t* source = zip_source_buffer(zip, kept[i].constData(), zip_uint64_t(kept[i].size()), 0);
        const zip_int64_t index = source ? zip_file_add(zip, kParts[i], source, ZIP_FL_OVERWRITE) : -1;
        if (index < 0)
            zip_source_free(source);
        else
            zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        return {};
    }
    QFile file(dir.filePath(QStringLiteral("fuzz.xlsx")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (data[0] & 1)
        bytes = Packed(bytes.mid(1));
    try {
        const WorkbookReceipt receipt = ReadGradeWorkbook(bytes, QStringLiteral("2025-2026"));
        (void)ReceiptSummary(receipt);
    } catch (const EkaldoError&) {
    }
    return 0;
}
