#include "base/SharedRoutines.h"

#include "base/FileErrors.h"
#include "base/ProgramConstants.h"
#include "base/RegionalFormats.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cmath>

namespace ekaldo {

void CopyFileContents(const QString& source, const QString& destination) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw FileError(FileMessage(source, QStringLiteral(" δεν μπορεί να ανοιχθεί!")), source);
    // Through a temporary file beside the destination: a copy that fails half
    // way, on a full disk say, leaves neither a cut file nor a lost old one.
    QSaveFile out(destination);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        throw FileError(FileMessage(destination, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")),
                        destination);
    constexpr qint64 kBlock = 8192;
    char buffer[kBlock];
    for (;;) {
        const qint64 got = in.read(buffer, kBlock);
        if (got < 0)
            throw FileError(FileMessage(source, QStringLiteral(" δεν μπορεί να διαβαστεί!")), source);
        if (got > 0 && out.write(buffer, got) != got)
            throw FileWriteError(destination);
        if (got < kBlock)
            break;
    }
    if (!out.flush() || !out.commit())
        throw FileWriteError(destination);
}

QString AddTrailingBackslash(const QString& path) {
    const QChar separator = QDir::separator();
    if (path.size() >= 1 && path.size() <= 254 && path.back() != separator)
        return path + separator;
    return path;
}

QString SchoolYearLabelFromFolder(const QString& folderName) {
    if (folderName.left(2).toUpper() != QStringLiteral("MV") || folderName.size() < 6)
        return Program::UnknownSchoolYearLabel;
    const QString digits = folderName.mid(2, 4);
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return Program::UnknownSchoolYearLabel;
    }
    const int year = digits.toInt();
    return QStringLiteral("Σχ.Έτος %1-%2").arg(year).arg(year + 1);
}

QString SchoolYearOfLabel(const QString& label) {
    return label.mid(8, 9);
}

SplitPair SplitAt(const QString& text, QChar separator) {
    const qsizetype at = text.indexOf(separator);
    if (at < 0)
        return {text, QString()};
    return {text.left(at), text.mid(at + 1)};
}

SplitTriple SplitAt3(const QString& text, QChar separator) {
    const SplitPair first = SplitAt(text, separator);
    const SplitPair second = SplitAt(first.right, separator);
    return {first.left, second.left, second.right};
}

QString WithExtension(const QString& name, const QString& extension) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return (dot > slash ? name.left(dot) : name) + extension;
}

double RoundHalfUp(int divisions, double value) {
    // A division count of 0 or below would divide by zero: such values stay as they are.
    if (divisions <= 0 || (divisions != 1 && divisions % 10 != 0))
        return value;
    const double product = value * divisions;
    if (!std::isfinite(product))
        return value;
    // Work on the magnitude so that a negative value rounds like its positive
    // twin (-7.25 to -7.3) instead of climbing towards zero by a whole unit.
    const bool negative = product < 0;
    const QString text = RegionalFormats::ShortestNumberText(std::fabs(product));
    double whole = 0;
    int deciding = 0;
    if (text.contains(QLatin1Char('E'))) {
        // Below 1E-4 there is nothing to round up; at 1E15 and above there is no fraction.
        whole = std::fabs(product) < 1 ? 0 : std::fabs(product);
    } else {
        const qsizetype separator = text.indexOf(RegionalFormats::DecimalSeparator());
        if (separator >= 0) {
            whole = text.left(separator).toDouble();
            deciding = text.at(separator + 1).digitValue();
        } else {
            whole = text.toDouble();
        }
    }
    if (deciding >= 5)
        whole += 1;
    return (negative ? -whole : whole) / divisions;
}

} // namespace ekaldo
