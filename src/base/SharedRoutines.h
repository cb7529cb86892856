#pragma once

#include <QString>
#include <QStringView>

namespace ekaldo {

// Copies a file byte for byte in blocks of 8192 bytes; the time stamps are not
// copied. Throws FileError naming the source that cannot be opened or the
// destination that cannot be created or written.
void CopyFileContents(const QString& source, const QString& destination);

// The path with the platform's folder separator appended when it has 1 to 254
// characters and does not already end with one.
QString AddTrailingBackslash(const QString& path);

// "MV2004..." gives "Σχ.Έτος 2004-2005"; any other name "Σχ.Έτος: Αγνωστο!".
QString SchoolYearLabelFromFolder(const QString& folderName);

// The nine characters of a label from its ninth on: the year range of a label
// made by SchoolYearLabelFromFolder.
QString SchoolYearOfLabel(const QString& label);

struct SplitPair {
    QString left, right;
};
struct SplitTriple {
    QString first, second, rest;
};
SplitPair SplitAt(const QString& text, QChar separator);
SplitTriple SplitAt3(const QString& text, QChar separator);

// The name with its extension replaced by (or, without one, extended with)
// extension, such as ".agd".
QString WithExtension(const QString& name, const QString& extension);

// Rounds value half up to a fraction 1/divisions by its decimal text; values
// for other divisions than 1 or a multiple of 10 come back unchanged.
double RoundHalfUp(int divisions, double value);

} // namespace ekaldo
