#include "core/review/PostingJournal.h"

#include "base/FileErrors.h"
#include "base/ProfileFile.h"
#include "base/SharedRoutines.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>

#include <sys/stat.h>

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

// The journals of the year folder with their headers, oldest run first: by
// sequence number, runs of older versions (0) before, by folder name among equals.
std::vector<std::pair<QString, JournalHeader>> RunsOf(const QString& yearFolder) {
    QDir year(yearFolder);
    std::vector<std::pair<QString, JournalHeader>> runs;
    for (const QString& name : year.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = QDir(year.filePath(name)).filePath(PostingJournal::kJournalName);
        if (auto header = PostingJournal::ReadHeader(path))
            runs.emplace_back(path, std::move(*header));
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const auto& a, const auto& b) { return a.second.sequence < b.second.sequence; });
    return runs;
}

// Sets one key of the [Posting] section from a journal line.
void TakeHeaderKey(JournalHeader& header, QStringView key, const QString& value) {
    if (key == u"File")
        header.filePath = value;
    else if (key == u"FileName")
        header.fileName = value;
    else if (key == u"FileID")
        header.fileId = value;
    else if (key == u"SchoolYear")
        header.schoolYear = value;
    else if (key == u"GradeColumn")
        header.gradeColumn = value.toInt();
    else if (key == u"Caption")
        header.caption = value;
    else if (key == u"User")
        header.user = value;
    else if (key == u"Started")
        header.started = QDateTime::fromString(value, Qt::ISODate);
    else if (key == u"Database")
        header.database.folder = value;
    else if (key == u"GradeTable")
        header.database.gradeTable = value;
    else if (key == u"Sequence")
        header.sequence = value.toLongLong();
}

} // namespace

DatabaseIdentity DatabaseIdentity::Of(const QString& gradeTablePath) {
    DatabaseIdentity identity;
    const QFileInfo table(gradeTablePath);
    identity.folder = QFileInfo(table.absolutePath()).canonicalFilePath();
    struct stat st {};
    if (::stat(QFile::encodeName(gradeTablePath).constData(), &st) == 0)
        identity.gradeTable = QStringLiteral("%1:%2:%3")
                                  .arg(quint64(st.st_dev))
                                  .arg(quint64(st.st_ino))
                                  .arg(qint64(st.st_size));
    return identity;
}

bool DatabaseIdentity::SameTableAs(const DatabaseIdentity& other) const {
    const auto fileOf = [](const QString& id) { return id.section(QLatin1Char(':'), 0, 1); };
    return !gradeTable.isEmpty() && fileOf(gradeTable) == fileOf(other.gradeTable);
}

QString DatabaseIdentity::Describe() const {
    return QLatin1Char('"') + folder + QStringLiteral("\" (GRADE.DB ") +
           (gradeTable.isEmpty() ? QStringLiteral("άγνωστο") : gradeTable) + QLatin1Char(')');
}

PostingJournal::~PostingJournal() {
    if (m_file.isOpen())
        m_file.close();
}

QString PostingJournal::BackupRoot(const QString& importsDir) {
    QString imports = importsDir;
    while (imports.endsWith(QLatin1Char('/')) || imports.endsWith(QLatin1Char('\\')))
        imports.chop(1);
    return QFileInfo(imports).dir().filePath(QStringLiteral("Backups"));
}

QString PostingJournal::YearFolder(const QString& importsDir, const QString& schoolYearLabel) {
    QString year = SchoolYearOfLabel(schoolYearLabel).trimmed();
    if (year.isEmpty())
        year = QStringLiteral("ΧωρίςΈτος");
    return QDir(BackupRoot(importsDir)).filePath(year);
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

namespace {

// Takes away a run folder that never got as far as a store, and the year
// folder and "Backups" when the run made them.
void RemoveRunFolder(const QString& yearFolder, const QString& folder, bool yearExisted) {
    QDir(folder).removeRecursively();
    if (!yearExisted) {
        QDir().rmdir(yearFolder);
        QDir().rmdir(QFileInfo(yearFolder).absolutePath());
    }
}

} // namespace

QString PostingJournal::MakeBackup(const QString& yearFolder, const QString& gradeTablePath,
                                   const QDateTime& moment, const QString& suffix) {
    const bool yearExisted = QFileInfo(yearFolder).isDir();
    QString folder = MakeRunFolder(yearFolder, moment, suffix);
    try {
        CopyGradeTable(gradeTablePath, folder);
    } catch (...) {
        RemoveRunFolder(yearFolder, folder, yearExisted);
        throw;
    }
    return folder;
}

void PostingJournal::Begin(const QString& yearFolder, const QString& gradeTablePath, JournalHeader header) {
    const QString& year = yearFolder;
    const bool yearExisted = QFileInfo(year).isDir();
    header.sequence = 1;
    if (yearExisted) {
        const auto runs = RunsOf(year);
        if (!runs.empty())
            header.sequence = std::max<qint64>(runs.back().second.sequence, 0) + 1;
    }
    m_folder = MakeBackup(yearFolder, gradeTablePath, header.started);
    m_file.setFileName(JournalPath());
    try {
        m_written = 0;
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw FileError(FileMessage(JournalPath(), QStringLiteral(" δεν μπορεί να δημιουργηθεί!")),
                            JournalPath());
        WriteHeader(header);
    } catch (...) {
        // Nothing was stored: a half-made run would only be offered for undo.
        m_file.close();
        RemoveRunFolder(yearFolder, m_folder, yearExisted);
        m_folder.clear();
        throw;
    }
}

void PostingJournal::WriteHeader(const JournalHeader& header) {
    WriteLine(kPostingSection);
    WriteLine(QStringLiteral("File=") + Escaped(header.filePath));
    WriteLine(QStringLiteral("FileName=") + Escaped(header.fileName));
    WriteLine(QStringLiteral("FileID=") + Escaped(header.fileId));
    WriteLine(QStringLiteral("SchoolYear=") + Escaped(header.schoolYear));
    WriteLine(QStringLiteral("GradeColumn=") + QString::number(header.gradeColumn));
    WriteLine(QStringLiteral("Caption=") + Escaped(header.caption));
    WriteLine(QStringLiteral("User=") + Escaped(header.user));
    WriteLine(QStringLiteral("Started=") + header.started.toString(Qt::ISODate));
    WriteLine(QStringLiteral("Database=") + Escaped(header.database.folder));
    WriteLine(QStringLiteral("GradeTable=") + Escaped(header.database.gradeTable));
    WriteLine(QStringLiteral("Sequence=") + QString::number(header.sequence));
}

QString PostingJournal::JournalPath() const {
    return QDir(m_folder).filePath(kJournalName);
}

void PostingJournal::WriteLine(const QString& line) {
    WriteBytes((line + QLatin1Char('\n')).toUtf8());
}

void PostingJournal::WriteBytes(const QByteArray& bytes) {
    if (m_file.write(bytes) != bytes.size()) {
        // The part that fitted is cut off again: a later line, or an undo's
        // mark, must never be glued onto half a line.
        m_file.resize(m_written);
        throw FileWriteError(JournalPath());
    }
    m_written += bytes.size();
}

namespace {

void AppendNumber(QByteArray& out, qint64 n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    out.append(digits, end - digits);
}

// The same text as EncodeValue, straight into UTF-8: a posting run writes a
// line for each of hundreds of thousands of fields.
void AppendValue(QByteArray& out, const FieldValue& value) {
    if (value.IsFloat()) {
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, value.FloatValue()).ptr;
        out.append('F').append(digits, end - digits);
    } else if (value.IsInteger()) {
        out.append('I');
        AppendNumber(out, value.IntegerValue());
    } else {
        out.append(PostingJournal::EncodeValue(value).toUtf8());
    }
}

} // namespace

void PostingJournal::Append(const JournalEntry& entry) {
    m_line.clear();
    m_line.append("C\t");
    AppendNumber(m_line, entry.studentId);
    m_line.append('\t');
    AppendNumber(m_line, entry.subjectId);
    m_line.append('\t').append(Escaped(entry.field).toUtf8()).append('\t');
    AppendValue(m_line, entry.before);
    m_line.append('\t');
    AppendValue(m_line, entry.after);
    m_line.append('\n');
    WriteBytes(m_line);
}

void PostingJournal::Revoke(int count) {
    WriteLine(QStringLiteral("R\t") + QString::number(count));
}

void PostingJournal::Failure(int sheetRow, qint64 studentId, qint64 subjectId, const QString& reason) {
    WriteLine(QStringLiteral("F\t") + QString::number(sheetRow) + QLatin1Char('\t') +
              QString::number(studentId) + QLatin1Char('\t') + QString::number(subjectId) +
              QLatin1Char('\t') + Escaped(reason));
}

void PostingJournal::Finish(const QString& outcome) {
    if (!m_file.isOpen())
        return;
    m_finished = true;
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
    if (value.IsFloat()) {
        // The shortest text that reads back as the same number.
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, value.FloatValue()).ptr;
        return QLatin1Char('F') + QLatin1String(digits, end - digits);
    }
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
    run.undone = QFileInfo::exists(QFileInfo(journalPath).dir().filePath(kUndoneName));
    QString section;
    QList<QStringView> lines = QStringView(text).split(QLatin1Char('\n'));
    // What follows the last line end is a line the disk or a kill cut short.
    lines.removeLast();
    for (QStringView line : std::as_const(lines)) {
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
            TakeHeaderKey(run.header, key, value);
        } else if (section == kEndSection && key == u"Outcome") {
            run.outcome = value;
        }
    }
    return run;
}

std::optional<JournalHeader> PostingJournal::ReadHeader(const QString& journalPath) {
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    JournalHeader header;
    bool inside = false;
    while (!file.atEnd()) {
        const QByteArray raw = file.readLine();
        if (!raw.endsWith('\n'))
            break;
        const QString line = QString::fromUtf8(raw.chopped(1));
        if (line.startsWith(QLatin1Char('['))) {
            if (inside)
                break;
            inside = line == kPostingSection;
            continue;
        }
        // The first change line ends the header: a journal of a big run is never read whole here.
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inside || eq < 0 || line.left(eq).contains(QLatin1Char('\t')))
            break;
        TakeHeaderKey(header, QStringView(line).left(eq),
                      Unescaped(QStringView(line).sliced(eq + 1)).value_or(QString()));
    }
    if (!inside)
        return std::nullopt;
    return header;
}

std::optional<PostingJournal::Run> PostingJournal::LastRunOf(const QString& yearFolder,
                                                             const QString& databaseFolder,
                                                             const QString& fileName, const QString& fileId,
                                                             const QString& passOver) {
    const auto runs = RunsOf(yearFolder);
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
        const JournalHeader& header = it->second;
        if (header.fileName.compare(fileName, Qt::CaseInsensitive) != 0 || header.fileId != fileId)
            continue;
        if (it->first == passOver)
            continue;
        if (!header.database.folder.isEmpty() && header.database.folder != databaseFolder)
            continue;
        std::optional<Run> run = Read(it->first);
        if (!run || run->undone)
            continue;
        return run;
    }
    return std::nullopt;
}

void PostingJournal::MarkUndone(const QString& journalPath, const QDateTime& when, int restored,
                                int leftAlone, const QString& undoBackup) {
    const QString path = QFileInfo(journalPath).dir().filePath(kUndoneName);
    QString text = kUndoneSection + QStringLiteral("\nUndone=") + when.toString(Qt::ISODate) +
                   QStringLiteral("\nRestored=") + QString::number(restored) +
                   QStringLiteral("\nLeftAlone=") + QString::number(leftAlone) + QLatin1Char('\n');
    if (!undoBackup.isEmpty())
        text += QStringLiteral("Backup=") + undoBackup + QLatin1Char('\n');
    ReplaceFileAtomically(path, text.toUtf8());
}

namespace {

// The undo backup a run's undo note names, as a folder of yearFolder; empty
// when there is none or the name is not one an undo gives.
QString UndoBackupOf(const QString& yearFolder, const QDir& run) {
    QFile note(run.filePath(PostingJournal::kUndoneName));
    if (!note.open(QIODevice::ReadOnly))
        return QString();
    const QString prefix = QStringLiteral("Backup=");
    for (const QString& line : QString::fromUtf8(note.readAll()).split(QLatin1Char('\n'))) {
        if (!line.startsWith(prefix))
            continue;
        const QString name = line.mid(prefix.size()).trimmed();
        const QDir backup(QDir(yearFolder).filePath(name));
        // Only an undo's own folder: never a run, never outside the year folder.
        if (name.contains(PostingJournal::kUndoSuffix) && !name.contains(QLatin1Char('/')) &&
            !name.contains(QLatin1Char('\\')) && name != QStringLiteral("..") && backup.exists() &&
            !backup.exists(PostingJournal::kJournalName))
            return backup.absolutePath();
    }
    return QString();
}

} // namespace

int PostingJournal::PruneRuns(const QString& yearFolder, int keep, const QString& currentRun) {
    const auto runs = RunsOf(yearFolder);
    const qsizetype surplus = qsizetype(runs.size()) - std::max(keep, 1);
    const QString current = QFileInfo(currentRun).canonicalFilePath();
    int removed = 0;
    for (qsizetype i = 0; i < surplus; ++i) {
        QDir run = QFileInfo(runs[i].first).dir();
        if (run.canonicalPath() == current)
            continue;
        const QString undo = UndoBackupOf(yearFolder, run);
        if (!undo.isEmpty())
            QDir(undo).removeRecursively();
        if (run.removeRecursively())
            ++removed;
    }
    return removed;
}

} // namespace ekaldo
