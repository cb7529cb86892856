#pragma once

#include "schooldb/FieldValue.h"

#include <QDateTime>
#include <QFile>
#include <QString>

#include <optional>
#include <vector>

namespace ekaldo {

// One field a posting run changed in GRADE.DB.
struct JournalEntry {
    qint64 studentId = 0;
    qint64 subjectId = 0;
    QString field;
    schooldb::FieldValue before, after;
    bool operator==(const JournalEntry&) const = default;
};

// Which GRADE.DB a run wrote: the school-year folder as the file system
// resolves it, and the table file's identity when the run began. Two
// databases of one school year in one program folder never mix up their runs.
struct DatabaseIdentity {
    QString folder;     // canonical path of the school-year folder
    QString gradeTable; // "device:inode:size" of GRADE.DB
    // Of the table file at gradeTablePath now; empty members when it cannot be read.
    static DatabaseIdentity Of(const QString& gradeTablePath);
    // Same file: same device and inode (the size changes with other programs' records).
    bool SameTableAs(const DatabaseIdentity& other) const;
    QString Describe() const;
};

// Which file a posting run posted, and how.
struct JournalHeader {
    QString filePath, fileName, fileId, schoolYear;
    int gradeColumn = 0;
    QString caption, user;
    QDateTime started;
    DatabaseIdentity database; // empty in journals of older versions
    qint64 sequence = 0;       // order of the runs of the year folder; 0 in older journals
};

// What a posting run leaves behind, in the program's "Backups" folder beside
// "Imports": one folder per school year, in it one folder per run named by
// the moment it began, holding the copy of GRADE.DB (and of its primary index
// when there is one) taken before the first store, and the journal of every
// field the run changed. An undo reads the journal back.
//
// The journal is UTF-8 text: a [Posting] section of key=value lines, then one
// line per changed field, written through to the operating system before the
// store it describes, so that a run killed half way still says what it did.
// A line the disk had no room for is cut off again, and a reader ignores a
// last line without its line end. An undo is noted in a file of its own in
// the run's folder, so that no cut journal can hide it. Runs are ordered by
// the sequence number in their journal, never by the clock.
class PostingJournal {
public:
    PostingJournal() = default;
    ~PostingJournal();
    PostingJournal(const PostingJournal&) = delete;
    PostingJournal& operator=(const PostingJournal&) = delete;

    // "Backups" beside the imports folder.
    static QString BackupRoot(const QString& importsDir);
    // The folder of the runs of the school year of the label, in "Backups".
    static QString YearFolder(const QString& importsDir, const QString& schoolYearLabel);
    static inline const QString kJournalName = QStringLiteral("Journal.txt");

    static inline const QString kUndoneName = QStringLiteral("Undone.txt");
    static inline const QString kUndoSuffix = QStringLiteral(" undo");

    // Makes the run's folder under yearFolder (one YearFolder gave), copies the grade table
    // (and its primary index) into it and starts the journal, numbered after
    // every run of the year folder. Throws FileError, and then leaves no
    // folder behind.
    void Begin(const QString& yearFolder, const QString& gradeTablePath, JournalHeader header);
    bool Started() const { return m_file.isOpen(); }
    const QString& Folder() const { return m_folder; }
    QString JournalPath() const;

    // Throws FileError when the line cannot be written: nothing may be stored then.
    void Append(const JournalEntry& entry);
    // Takes back the last count lines: their store did not happen.
    void Revoke(int count);
    // A store the run could not make for a reason other than the record rules.
    void Failure(int sheetRow, qint64 studentId, qint64 subjectId, const QString& reason);
    // Closes the journal with the run's end.
    void Finish(const QString& outcome);
    bool Finished() const { return m_finished; }

    // A journal read back.
    struct Run {
        QString journalPath;
        JournalHeader header;
        std::vector<JournalEntry> entries;
        QString outcome; // empty when the run never finished
        bool undone = false;
    };
    static std::optional<Run> Read(const QString& journalPath);
    // The [Posting] section alone, without the changes.
    static std::optional<JournalHeader> ReadHeader(const QString& journalPath);
    // The latest run of the file (by name and FileID) in yearFolder that
    // has not been undone, among the runs of the database in folder and the
    // runs of older versions, which do not say which database they wrote;
    // the run whose journal is `passOver` does not count.
    static std::optional<Run> LastRunOf(const QString& yearFolder, const QString& databaseFolder,
                                        const QString& fileName, const QString& fileId,
                                        const QString& passOver = QString());
    // Notes beside the journal that the run was undone, and the folder of the
    // backup the undo took (a folder of yearFolder, by name). Throws FileError.
    static void MarkUndone(const QString& journalPath, const QDateTime& when, int restored, int leftAlone,
                           const QString& undoBackup = QString());
    // Keeps the backups of the newest `keep` runs of yearFolder (by sequence,
    // undone and unfinished runs counted like the others) and removes the
    // older runs' folders, each with the backup its undo took. Never removes
    // currentRun, nor a folder whose journal cannot be read, nor an undo
    // backup that no removed run names. Returns the runs removed; a folder
    // that cannot be removed is tried again after the next run.
    static int PruneRuns(const QString& yearFolder, int keep, const QString& currentRun);

    // Copies the grade table (and its primary index) into folder. Throws FileError.
    static void CopyGradeTable(const QString& gradeTablePath, const QString& folder);
    // A new run folder under yearFolder holding a copy of the grade
    // table. Throws FileError, and then leaves no folder behind.
    static QString MakeBackup(const QString& yearFolder, const QString& gradeTablePath,
                              const QDateTime& moment, const QString& suffix = QString());
    // A new folder under parent named by the moment, with a suffix when taken.
    static QString MakeRunFolder(const QString& parent, const QDateTime& moment,
                                 const QString& suffix = QString());

    // Field values as the journal writes them: N null, T text, I integer, F
    // float (the shortest text that reads back the same), L logical.
    static QString EncodeValue(const schooldb::FieldValue& value);
    static std::optional<schooldb::FieldValue> DecodeValue(QStringView text);

private:
    void WriteLine(const QString& line);
    void WriteBytes(const QByteArray& bytes);
    void WriteHeader(const JournalHeader& header);

    QString m_folder;
    QFile m_file;
    qint64 m_written = 0; // bytes of whole lines in the journal
    QByteArray m_line;    // a change line, kept between lines
    bool m_finished = false;
};

} // namespace ekaldo
