#pragma once

#include <QString>

#include <stdexcept>

namespace ekaldo {

// Errors below the windows carry a Greek message ready to be shown as it is.
class EkaldoError : public std::runtime_error {
public:
    explicit EkaldoError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& Message() const noexcept { return m_message; }

private:
    QString m_message;
};

// A file that could not be opened, created, written or replaced.
class FileError : public EkaldoError {
public:
    FileError(const QString& message, const QString& path) : EkaldoError(message), m_path(path) {}
    const QString& Path() const noexcept { return m_path; }

private:
    QString m_path;
};

// The file could be created but not written whole, most often a full disk;
// whatever the file held before is still there.
class FileWriteError : public FileError {
public:
    explicit FileWriteError(const QString& path);
};

// A text holds a character that Windows-1253 cannot carry.
class EncodingError : public EkaldoError {
public:
    EncodingError(const QString& message, QChar offending) : EkaldoError(message), m_offending(offending) {}
    QChar Offending() const noexcept { return m_offending; }

private:
    QChar m_offending;
};

// "Το Αρχείο "path"" + tail: the form of every message about a file.
QString FileMessage(const QString& path, const QString& tail);

QString NotEncodableMessage(QStringView text, qsizetype index);

} // namespace ekaldo
