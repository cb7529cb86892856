#include "base/ProfileFile.h"

#include "base/CodePage1253.h"
#include "base/FileErrors.h"
#include "base/ForeignText.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <optional>

namespace ekaldo {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView Trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// One line of the file without its line end.
struct Line {
    qsizetype begin = 0; // offset of the first byte
    qsizetype end = 0;   // offset just past the content
    qsizetype next = 0;  // offset of the following line
};

// Calls visit(line) for every line; stops early when visit returns false.
template <typename Visit> void ForEachLine(QByteArrayView bytes, Visit visit) {
    qsizetype pos = 0;
    const qsizetype size = bytes.size();
    while (pos < size) {
        qsizetype nl = bytes.indexOf('\n', pos);
        Line line;
        line.begin = pos;
        line.next = nl < 0 ? size : nl + 1;
        line.end = nl < 0 ? size : nl;
        if (line.end > line.begin && bytes[line.end - 1] == '\r')
            --line.end;
        if (!visit(line))
            return;
        pos = line.next;
    }
}

// The section name of a "[Name]" line, or nullopt for any other line.
std::optional<QByteArrayView> SectionName(QByteArrayView content) {
    const QByteArrayView t = Trimmed(content);
    if (t.isEmpty() || t.front() != '[')
        return std::nullopt;
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return Trimmed(t.sliced(1, close - 1));
}

// Text of the file's bytes: the program's own code page, or UTF-8 for a
// settings file that holds a character the code page lacks.
QString DecodeAs(QByteArrayView raw, bool utf8) {
    return utf8 ? QString::fromUtf8(raw) : CodePage1253::Decode(raw.data(), raw.size());
}

bool NameMatches(QByteArrayView raw, const QString& name, bool utf8 = false) {
    return DecodeAs(raw, utf8).compare(name, Qt::CaseInsensitive) == 0;
}

// The key of a "key=value" line, or nullopt when the line has no "=".
std::optional<QByteArrayView> KeyOf(QByteArrayView content) {
    const qsizetype eq = content.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return Trimmed(content.first(eq));
}

QString ValueOf(QByteArrayView content, bool utf8) {
    const qsizetype eq = content.indexOf('=');
    QString value = DecodeAs(Trimmed(content.sliced(eq + 1)), utf8);
    if (value.size() > ProfileFile::kMaxValueLength)
        value.truncate(ProfileFile::kMaxValueLength);
    return value;
}

QByteArray EncodeLine(const QString& key, const QString& value, bool utf8) {
    QString line = key + QLatin1Char('=') + value;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return utf8 ? line.toUtf8() : CodePage1253::Encode(line);
}

QByteArray ReadAll(const QString& path, bool& exists) {
    QFile file(path);
    exists = file.exists();
    if (!exists || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

QString ProfileFile::Section::Value(const QString& key, const QString& fallback) const {
    for (const auto& [k, v] : m_entries) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    }
    return fallback;
}

bool ProfileFile::Section::Contains(const QString& key) const {
    for (const auto& entry : m_entries) {
        if (entry.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

ProfileFile::Section ProfileFile::ReadSection(const QString& path, const QString& section,
                                              bool keepEveryCharacter) {
    Section result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    if (DetectEncoding(file.peek(3)) != TextEncoding::CodePage1253) {
        // A file saved in another encoding: read it as its text says, through
        // the same rules.
        QBuffer converted;
        if (keepEveryCharacter) {
            converted.setData(DecodeForeignText(file.readAll()).value_or(QString()).toUtf8());
        } else {
            try {
                converted.setData(AsCodePage1253(file.readAll()));
            } catch (const EncodingError&) {
                return result;
            }
        }
        converted.open(QIODevice::ReadOnly);
        return ReadSectionFrom(converted, section, keepEveryCharacter);
    }
    return ReadSectionFrom(file, section);
}

ProfileFile::Section ProfileFile::ReadSectionFrom(QIODevice& file, const QString& section, bool utf8) {
    Section result;
    // Stream line by line: a grade file's header comes first and its data
    // section, which can be large, is never read once the header has ended.
    bool inside = false;
    QByteArray raw;
    while (!file.atEnd()) {
        raw = file.readLine();
        QByteArrayView content(raw);
        while (!content.isEmpty() && (content.back() == '\n' || content.back() == '\r'))
            content.chop(1);
        if (const auto name = SectionName(content)) {
            if (inside)
                break;
            inside = NameMatches(*name, section, utf8);
            continue;
        }
        if (!inside)
            continue;
        if (const auto key = KeyOf(content))
            result.m_entries.emplace_back(DecodeAs(*key, utf8), ValueOf(content, utf8));
    }
    return result;
}

QString ProfileFile::ReadString(const QString& path, const QString& section, const QString& key,
                                const QString& fallback) {
    return ReadSection(path, section).Value(key, fallback);
}

QByteArray ProfileFile::WithKey(const QByteArray& original, const QString& section, const QString& key,
                                const QString& value, bool utf8) {
    const QByteArray newLine = EncodeLine(key, value, utf8);
    const QString sectionText = QLatin1Char('[') + section + QLatin1Char(']');
    const QByteArray sectionLine = utf8 ? sectionText.toUtf8() : CodePage1253::Encode(sectionText);

    bool inside = false;
    bool found = false;
    qsizetype replaceBegin = -1, replaceEnd = -1; // the key's line content
    qsizetype insertAfter = -1;                   // end of the section's last non-blank line
    qsizetype insertNext = -1;
    ForEachLine(QByteArrayView(original), [&](const Line& line) {
        const QByteArrayView content = QByteArrayView(original).sliced(line.begin, line.end - line.begin);
        if (const auto name = SectionName(content)) {
            if (inside)
                return false;
            if (NameMatches(*name, section, utf8)) {
                inside = found = true;
                insertAfter = line.end;
                insertNext = line.next;
            }
            return true;
        }
        if (!inside)
            return true;
        if (const auto k = KeyOf(content); k && NameMatches(*k, key, utf8)) {
            replaceBegin = line.begin;
            replaceEnd = line.end;
            return false;
        }
        if (!Trimmed(content).isEmpty()) {
            insertAfter = line.end;
            insertNext = line.next;
        }
        return true;
    });

    QByteArray result;
    result.reserve(original.size() + newLine.size() + sectionLine.size() + 8);
    if (replaceBegin >= 0) {
        result.append(original.constData(), replaceBegin);
        result.append(newLine);
        result.append(original.constData() + replaceEnd, original.size() - replaceEnd);
    } else if (found) {
        // After the last line of the section, keeping that line's own ending.
        result.append(original.constData(), insertNext);
        if (insertNext == insertAfter) // the section's last line ends the file without a line break
            result.append("\r\n");
        result.append(newLine);
        result.append("\r\n");
        result.append(original.constData() + insertNext, original.size() - insertNext);
    } else {
        result = original;
        if (!result.isEmpty() && !result.endsWith('\n'))
            result.append("\r\n");
        result.append(sectionLine);
        result.append("\r\n");
        result.append(newLine);
        result.append("\r\n");
    }
    return result;
}

void ProfileFile::WriteString(const QString& path, const QString& section, const QString& key,
                              const QString& value) {
    bool exists = false;
    // A file in another encoding is written back in the program's own.
    const QByteArray original = AsCodePage1253(ReadAll(path, exists));
    if (exists) {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            throw FileError(FileMessage(path, QStringLiteral(" δεν μπορεί να ανοιχθεί!")), path);
    }
    ReplaceFileAtomically(path, WithKey(original, section, key, value));
}

void ReplaceFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")), path);
    // The buffer's last bytes are flushed here and not left to commit(), which
    // does not notice when they do not all fit on the disk and would put a
    // cut file in place of the old one.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        throw FileWriteError(path);
}

} // namespace ekaldo
