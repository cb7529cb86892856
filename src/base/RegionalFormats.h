#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

namespace ekaldo {

// The user's regional formats, always taken from QLocale() so that the
// program follows the desktop and tests can pin Greek or English.
namespace RegionalFormats {

QChar DecimalSeparator();

// Short date, a blank and the long time without any time zone; the date
// alone when the moment is exactly midnight.
QString DateTimeText(const QDateTime& moment);

// Days since 30 December 1899, the time of day as the fraction.
double DayCount(const QDateTime& moment);

// Up to 15 significant digits, the regional decimal separator, no grouping;
// an exponent only where the number needs one ("1E-5", "1E20").
QString ShortestNumberText(double value);

// Optional blanks and sign, digits with at most one regional decimal
// separator, an optional exponent. Group separators and anything else make
// the text not a number.
std::optional<double> ParseNumber(QStringView text);

} // namespace RegionalFormats
} // namespace ekaldo
