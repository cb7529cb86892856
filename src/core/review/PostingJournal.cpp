#include "core/review/PostingJournal.h"

#include "base/FileErrors.h"
#include "core/shell/AppState.h"
#include "base/SharedRoutines.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>

namespace ekaldo {

using schooldb::FieldValue;

namespace {

const QString kPostingSection = QStringLiteral("[Posting]");
const QString kEndSection = QStringLiteral("[End]");
const QString kUndoneSection = QStringLiteral("[Undone]");
const QString kChangeTag = QStringLiteral("C\t");

QString Escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<QString> Unescaped(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\')) {
            out += text[i];
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        switch (text[i].unicode()) {
        case '\\':
            out += QLatin1Char('\\');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

QString FindBesideTable(const QString& tablePath, const QString& suffix) {
    const QFileInfo table(tablePath);
    const QString wanted = table.completeBaseName() + suffix;
    const QDir dir = table.dir();
    if (dir.exists(wanted))
        return dir.filePath(wanted);
    for (const QString& name : dir.entryList(QDir::Files))
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    return QString();
}

void CopyInto(const QString& source, const QString& folder) {
    const QString destination = QDir(folder).filePath(QFileInfo(source).fileName());
    CopyFileContents(source, destination);
}

} // namespace

PostingJournal::~PostingJournal() {
    if (m_file.isOpen())
        m_file.close();
}

QString PostingJournal::BackupRoot(const AppState& state) {
    QString imports = state.ImportsDir;
    while (imports.endsWith(QLatin1Char('/')) || imports.endsWith(QLatin1Char('\\')))
        imports.chop(1);
    return QFileInfo(imports).dir().filePath(QStringLiteral("Backups"));
}

QString PostingJournal::YearFolder(const AppState& state) {
    QString year = SchoolYearOfLabel(state.SchoolYearLabel).trimmed();
    if (year.isEmpty())
        year = QStringLiteral("ΧωρίςΈτος");
    return QDir(BackupRoot(state)).filePath(year);
}

QString PostingJournal::MakeRunFolder(const QString& parent, const QDateTime& moment, const QString& suffix) {
    if (!QDir().mkpath(parent))
        throw FileError(FileMessage(parent, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")), parent);
    const QString base = moment.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")) + suffix;
    QDir dir(parent);
    // Runs of the same second get a number, so that names still sort in the order of the runs.
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? base : base + QStringLiteral(" #%1").arg(n, 3, 10, QLatin1Char('0'));
        if (dir.exists(name))
            continue;
        if (dir.mkdir(name))
            return dir.filePath(name);
        break;
    }
    const QString path = dir.filePath(base);
    throw FileError(FileMessage(path, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")), path);
}

void PostingJournal::CopyGradeTable(const QString& gradeTablePath, const QString& folder) {
    CopyInto(gradeTablePath, folder);
    const QString index = FindBesideTable(gradeTablePath, QStringLiteral(".PX"));
    if (!index.isEmpty())
        CopyInto(index, folder);
}

void PostingJournal::Begin(const AppState& state, const QString& gradeTablePath,
                           const JournalHeader& header) {
    m_folder = MakeRunFolder(YearFolder(state), header.started);
    CopyGradeTable(gradeTablePath, m_folder);
    m_file.setFileName(JournalPath());
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw FileError(FileMessage(JournalPath(), QStringLiteral(" δεν μπορεί να δημιουργηθεί!")),
                        JournalPath());
    WriteLine(kPostingSection);
    WriteLine(QStringLiteral("File=") + Escaped(header.filePath));
    WriteLine(QStringLiteral("FileName=") + Escaped(header.fileName));
    WriteLine(QStringLiteral("FileID=") + Escaped(header.fileId));
    WriteLine(QStringLiteral("SchoolYear=") + Escaped(header.schoolYear));
    WriteLine(QStringLiteral("GradeColumn=") + QString::number(header.gradeColumn));
    WriteLine(QStringLiteral("Caption=") + Escaped(header.caption));
    WriteLine(QStringLiteral("User=") + Escaped(header.user));
    WriteLine(QStringLiteral("Started=") + header.started.toString(Qt::ISODate));
}

QString PostingJournal::JournalPath() const {
    return QDir(m_folder).filePath(kJournalName);
}

void PostingJournal::WriteLine(const QString& line) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    if (m_file.write(bytes) != bytes.size())
        throw FileError(FileMessage(JournalPath(), QStringLiteral(" δεν μπορεί να γραφτεί!")), JournalPath());
}

void PostingJournal::Append(const JournalEntry& entry) {
    WriteLine(kChangeTag + QString::number(entry.studentId) + QLatin1Char('\t') +
              QString::number(entry.subjectId) + QLatin1Char('\t') + Escaped(entry.field) +
              QLatin1Char('\t') + EncodeValue(entry.before) + QLatin1Char('\t') + EncodeValue(entry.after));
}

void PostingJournal::Revoke(int count) {
    WriteLine(QStringLiteral("R\t") + QString::number(count));
}

void PostingJournal::Finish(const QString& outcome) {
    if (!m_file.isOpen())
        return;
    WriteLine(kEndSection);
    WriteLine(QStringLiteral("Outcome=") + Escaped(outcome));
    m_file.flush();
    m_file.close();
}

QString PostingJournal::EncodeValue(const FieldValue& value) {
    if (value.IsNull())
        return QStringLiteral("N");
    if (value.IsText())
        return QLatin1Char('T') + Escaped(value.TextValue());
    if (value.IsInteger())
        return QLatin1Char('I') + QString::number(value.IntegerValue());
    if (value.IsFloat())
        return QLatin1Char('F') + QString::number(value.FloatValue(), 'g', 17);
    return value.LogicalValue() ? QStringLiteral("L1") : QStringLiteral("L0");
}

std::optional<FieldValue> PostingJournal::DecodeValue(QStringView text) {
    if (text.isEmpty())
        return std::nullopt;
    const QStringView rest = text.sliced(1);
    bool ok = false;
    switch (text.front().unicode()) {
    case 'N':
        if (!rest.isEmpty())
            return std::nullopt;
        return FieldValue();
    case 'T':
        if (auto t = Unescaped(rest))
            return FieldValue::Text(*t);
        return std::nullopt;
    case 'I': {
        const qint64 n = rest.toLongLong(&ok);
        return ok ? std::optional(FieldValue::Integer(n)) : std::nullopt;
    }
    case 'F': {
        const double d = rest.toDouble(&ok);
        return ok ? std::optional(FieldValue::Float(d)) : std::nullopt;
    }
    case 'L':
        if (rest == u"1" || rest == u"0")
            return FieldValue::Logical(rest == u"1");
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<PostingJournal::Run> PostingJournal::Read(const QString& journalPath) {
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString text = QString::fromUtf8(file.readAll());
    Run run;
    run.journalPath = journalPath;
    QString section;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            section = line.toString();
            if (section == kUndoneSection)
                run.undone = true;
            continue;
        }
        if (line.startsWith(u"R\t")) {
            bool ok = false;
            const int count = line.sliced(2).toInt(&ok);
            if (ok && count > 0)
                run.entries.resize(run.entries.size() -
                                   std::min<std::size_t>(run.entries.size(), std::size_t(count)));
            continue;
        }
        if (line.startsWith(kChangeTag)) {
            // A line cut short by a killed run is not a change that was made.
            const auto parts = line.split(QLatin1Char('\t'));
            if (parts.size() != 6)
                continue;
            JournalEntry entry;
            bool okStudent = false, okSubject = false;
            entry.studentId = parts[1].toLongLong(&okStudent);
            entry.subjectId = parts[2].toLongLong(&okSubject);
            const auto field = Unescaped(parts[3]);
            const auto before = DecodeValue(parts[4]);
            const auto after = DecodeValue(parts[5]);
            if (!okStudent || !okSubject || !field || !before || !after)
                continue;
            entry.field = *field;
            entry.before = *before;
            entry.after = *after;
            run.entries.push_back(std::move(entry));
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QStringView key = line.left(eq);
        const QString value = Unescaped(line.sliced(eq + 1)).value_or(QString());
        if (section == kPostingSection) {
            if (key == u"File")
                run.header.filePath = value;
            else if (key == u"FileName")
                run.header.fileName = value;
            else if (key == u"FileID")
                run.header.fileId = value;
            else if (key == u"SchoolYear")
                run.header.schoolYear = value;
            else if (key == u"GradeColumn")
                run.header.gradeColumn = value.toInt();
            else if (key == u"Caption")
                run.header.caption = value;
            else if (key == u"User")
                run.header.user = value;
            else if (key == u"Started")
                run.header.started = QDateTime::fromString(value, Qt::ISODate);
        } else if (section == kEndSection && key == u"Outcome") {
            run.outcome = value;
        }
    }
    return run;
}

std::optional<PostingJournal::Run> PostingJournal::LastRunOf(const AppState& state, const QString& fileName,
                                                             const QString& fileId) {
    QDir year(YearFolder(state));
    QStringList runs = year.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::reverse(runs.begin(), runs.end());
    for (const QString& name : runs) {
        const QString path = QDir(year.filePath(name)).filePath(kJournalName);
        if (!QFileInfo::exists(path))
            continue;
        std::optional<Run> run = Read(path);
        if (!run || run->header.fileName.compare(fileName, Qt::CaseInsensitive) != 0 ||
            run->header.fileId != fileId)
            continue;
        if (run->undone)
            continue;
        return run;
    }
    return std::nullopt;
}

void PostingJournal::MarkUndone(const QString& journalPath, const QDateTime& when, int restored,
                                int leftAlone) {
    QFile file(journalPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw FileError(FileMessage(journalPath, QStringLiteral(" δεν μπορεί να γραφτεί!")), journalPath);
    const QByteArray bytes = (kUndoneSection + QStringLiteral("\nUndone=") + when.toString(Qt::ISODate) +
                              QStringLiteral("\nRestored=") + QString::number(restored) +
                              QStringLiteral("\nLeftAlone=") + QString::number(leftAlone) + QLatin1Char('\n'))
                                 .toUtf8();
    if (file.write(bytes) != bytes.size())
        throw FileError(FileMessage(journalPath, QStringLiteral(" δεν μπορεί να γραφτεί!")), journalPath);
}

} // namespace ekaldo
