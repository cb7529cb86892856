#include "base/RegionalFormats.h"

#include <QLocale>

#include <charconv>
#include <cmath>

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
    QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        const bool negative = exponent.startsWith(QLatin1Char('-'));
        if (exponent.startsWith(QLatin1Char('+')) || negative)
            exponent.remove(0, 1);
        while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0')))
            exponent.remove(0, 1);
        text = mantissa + QLatin1Char('E') + (negative ? QStringLiteral("-") : QString()) + exponent;
    }
    text.replace(QLatin1Char('.'), DecimalSeparator());
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
