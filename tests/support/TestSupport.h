#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>
#include <functional>

#include <gtest/gtest.h>

namespace ekaldo::testing {

inline QLocale GreekLocale() {
    return QLocale(QLocale::Greek, QLocale::Greece);
}
inline QLocale EnglishLocale() {
    return QLocale(QLocale::English, QLocale::UnitedStates);
}

// Sets the default locale for the rest of the test.
inline void UseLocale(const QLocale& locale) {
    QLocale::setDefault(locale);
}

// The message of the Error that action throws; empty when it throws none.
template <typename Error, typename Action> QString ErrorOf(Action&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.Message();
    }
    return QString();
}

// A fresh folder for one test, removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder() { EXPECT_TRUE(m_dir.isValid()); }
    QString Path(const QString& name = QString()) const {
        return name.isEmpty() ? m_dir.path() : m_dir.filePath(name);
    }

private:
    QTemporaryDir m_dir;
};

// A disk that fills up: while it lives, this process may write no file past
// the given size (writes beyond it fail with EFBIG instead of a signal).
class DiskFullAfter {
public:
    explicit DiskFullAfter(long long bytes);
    ~DiskFullAfter();
    DiskFullAfter(const DiskFullAfter&) = delete;
    DiskFullAfter& operator=(const DiskFullAfter&) = delete;

private:
    unsigned long long m_oldCurrent = 0;
    void (*m_oldHandler)(int) = nullptr;
};

QByteArray ReadBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& bytes);

// Windows-1253 bytes of a text written here in UTF-8.
QByteArray Greek(const QString& text);

// A run of a command-line program to its end, under a chosen locale and with
// no display.
struct ProcessRun {
    int exitCode = -1;
    QString out, err;
};
// inChild runs in the child before the program starts (limits, signals).
ProcessRun RunProgram(const QString& program, const QStringList& args,
                      const QString& locale = QStringLiteral("en_US.UTF-8"), int timeoutMs = 120000,
                      const std::function<void()>& inChild = {});

} // namespace ekaldo::testing

#include <ostream>

// Readable Greek in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(QStringView text, std::ostream* os) {
    *os << '"' << text.toString().toStdString() << '"';
}
