#include "base/FileErrors.h"

namespace ekaldo {

QString FileMessage(const QString& path, const QString& tail) {
    return QStringLiteral("Το Αρχείο \"") + path + QStringLiteral("\"") + tail;
}

FileWriteError::FileWriteError(const QString& path)
    : FileError(
          FileMessage(path, QStringLiteral(" δεν μπορεί να αποθηκευτεί! Ο δίσκος ίσως γέμισε· ό,τι είχε "
                                           "πριν το αρχείο έμεινε όπως ήταν.")),
          path) {}

QString NotEncodableMessage(QStringView text, qsizetype index) {
    const QChar c = text[index];
    QString shown = text.left(60).toString();
    const QString code = QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("Το κείμενο \"") + shown + (text.size() > 60 ? QStringLiteral("…") : QString()) +
           QStringLiteral("\" περιέχει τον χαρακτήρα \"") + QString(c) + QStringLiteral("\" (U+") + code +
           QStringLiteral("), που δεν υπάρχει στην ελληνική κωδικοσελίδα Windows-1253!");
}

} // namespace ekaldo
