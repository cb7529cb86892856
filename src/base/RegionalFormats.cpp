#include "base/RegionalFormats.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace ekaldo::RegionalFormats {
namespace {

// The locale's long time format with its time-zone fields taken out.
QString LongTimeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            result += c;
        } else if (!quoted && c == QLatin1Char('t')) {
            // Drop the zone and the blank that introduced it.
            while (!result.isEmpty() && result.back().isSpace())
                result.chop(1);
        } else {
            result += c;
        }
    }
    return result.trimmed();
}

const QDateTime& Epoch() {
    static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return epoch;
}

} // namespace

QChar DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

QString DateTimeText(const QDateTime& moment) {
    const QLocale locale;
    QString text = locale.toString(moment.date(), QLocale::ShortFormat);
    const QTime time = moment.time();
    if (time != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(time, LongTimeFormatWithoutZone(locale));
    return text;
}

double DayCount(const QDateTime& moment) {
    const QDateTime local(moment.date(), moment.time());
    const qint64 days = Epoch().date().daysTo(local.date());
    const double fraction = local.time().msecsSinceStartOfDay() / 86400000.0;
    return static_cast<double>(days) + fraction;
}

QString ShortestNumberText(double value) {
    if (std::isnan(value) || std::isinf(value))
        return QString::number(value);
    if (value == 0)
        return QStringLiteral("0");
    // Grades have a few decimals: the fewest decimals k whose m / 10^k reads
    // back as this double are the digits of the 15-digit text too, as long as
    // m has at most 15 digits (a double lies within a sixth of half a
    // fifteenth digit of the decimal it was read from), and with k <= 4 the
    // text is never in exponent form.
    if (std::fabs(value) < 1e15) {
        static constexpr double kScale[] = {1, 10, 100, 1000, 10000};
        for (int k = 0; k < 5; ++k) {
            const double m = std::nearbyint(value * kScale[k]);
            if (std::fabs(m) >= 1e15)
                break;
            if (m / kScale[k] != value)
                continue;
            char digits[24];
            const char* end = std::to_chars(digits, digits + sizeof digits, std::llabs(std::llround(m))).ptr;
            const int count = static_cast<int>(end - digits);
            QString text;
            text.reserve(count + k + 3);
            if (m < 0)
                text += QLatin1Char('-');
            if (count <= k) {
                text += QLatin1Char('0');
                text += DecimalSeparator();
                text += QString(k - count, QLatin1Char('0'));
                text += QLatin1String(digits, count);
            } else {
                text += QLatin1String(digits, count - k);
                if (k > 0) {
                    text += DecimalSeparator();
                    text += QLatin1String(end - k, k);
                }
            }
            return text;
        }
    }
    // 15 significant digits, "1E-5", through std::to_chars: Qt's own
    // conversion falls to its bignum path, and a sheet has a great many numbers.
    char buffer[48];
    const char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
    QString text;
    text.reserve(end - buffer);
    for (const char* p = buffer; p < end; ++p) {
        if (*p == '.') {
            text += DecimalSeparator();
        } else if (*p == 'e') {
            text += QLatin1Char('E');
            ++p;
            if (*p == '-')
                text += QLatin1Char('-');
            ++p;
            while (p + 1 < end && *p == '0')
                ++p;
            for (; p < end; ++p)
                text += QLatin1Char(*p);
            break;
        } else {
            text += QLatin1Char(*p);
        }
    }
    return text;
}

std::optional<double> ParseNumber(QStringView text) {
    const QChar separator = DecimalSeparator();
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
            ++i;
    };
    QByteArray plain; // the number in C form
    skipBlanks();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        plain += static_cast<char>(text[i++].unicode());
    int digits = 0;
    bool seenSeparator = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            plain += static_cast<char>(c.unicode());
            ++digits;
        } else if (c == separator && !seenSeparator) {
            plain += '.';
            seenSeparator = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        plain += 'e';
        ++i;
        if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            plain += static_cast<char>(text[i++].unicode());
        int expDigits = 0;
        while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            plain += static_cast<char>(text[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    skipBlanks();
    if (i != n)
        return std::nullopt;
    // from_chars ignores the C locale, which QCoreApplication sets from the environment.
    const char* begin = plain.constData();
    if (*begin == '+')
        ++begin;
    double value = 0;
    const auto [end, error] = std::from_chars(begin, plain.constData() + plain.size(), value);
    if (error != std::errc() || end != plain.constData() + plain.size() || std::isinf(value))
        return std::nullopt;
    return value;
}

} // namespace ekaldo::RegionalFormats
