#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

#include <utility>
#include <vector>

namespace ekaldo {

// Settings-style files (sections of key=value lines) read and written the way
// the Windows profile routines do, over Windows-1253 bytes with CR LF lines.
// Used for ZENTIK.INI and for the [Header] of the grade files.
class ProfileFile {
public:
    // Longest value a read gives back: the profile routines' 1024-character buffer.
    static constexpr qsizetype kMaxValueLength = 1023;

    // The entries of the first section of that name, in file order, values
    // already cut and trimmed. Empty when the file or section is missing.
    class Section {
    public:
        // The value of the first entry whose key matches without regard to case.
        QString Value(const QString& key, const QString& fallback = QString()) const;
        bool Contains(const QString& key) const;
        const std::vector<std::pair<QString, QString>>& Entries() const { return m_entries; }

    private:
        friend class ProfileFile;
        std::vector<std::pair<QString, QString>> m_entries;
    };

    // A file in another encoding (marked UTF-8 or UTF-16) is read through the
    // program's code page, and a section holding a character the code page
    // lacks reads as empty, as a grade file's header must; keepEveryCharacter
    // reads such a file exactly, as the settings file is.
    static Section ReadSection(const QString& path, const QString& section, bool keepEveryCharacter = false);
    // utf8: the device holds UTF-8 text without a mark instead of Windows-1253.
    static Section ReadSectionFrom(QIODevice& device, const QString& section, bool utf8 = false);
    static QString ReadString(const QString& path, const QString& section, const QString& key,
                              const QString& fallback = QString());

    // Sets one key: its line is replaced in place, or "key=value" follows the
    // last line of its section, or the section and the line are appended.
    // Every other byte stays as it was. The file is replaced atomically, so a
    // failed write leaves the old file whole. Line breaks in the value are
    // written as blanks. Throws FileError naming the file, or EncodingError.
    static void WriteString(const QString& path, const QString& section, const QString& key,
                            const QString& value);

    // The same edit applied to bytes in memory; exposed for the writer above,
    // the settings writer and their tests. utf8: the bytes are UTF-8 text
    // without a mark instead of Windows-1253.
    static QByteArray WithKey(const QByteArray& original, const QString& section, const QString& key,
                              const QString& value, bool utf8 = false);
};

// Replaces the file at path with bytes: written to a temporary file in the same
// folder, flushed to disk, then renamed over the original. Throws FileError.
void ReplaceFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace ekaldo
