#pragma once

#include "schooldb/FieldValue.h"

#include <QDateTime>
#include <QFile>
#include <QString>

#include <optional>
#include <vector>

namespace ekaldo {

struct AppState;

// One field a posting run changed in GRADE.DB.
struct JournalEntry {
    qint64 studentId = 0;
    qint64 subjectId = 0;
    QString field;
    schooldb::FieldValue before, after;
    bool operator==(const JournalEntry&) const = default;
};

// Which file a posting run posted, and how.
struct JournalHeader {
    QString filePath, fileName, fileId, schoolYear;
    int gradeColumn = 0;
    QString caption, user;
    QDateTime started;
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
class PostingJournal {
public:
    PostingJournal() = default;
    ~PostingJournal();
    PostingJournal(const PostingJournal&) = delete;
    PostingJournal& operator=(const PostingJournal&) = delete;

    static QString BackupRoot(const AppState& state);
    // The folder of the open school year's runs.
    static QString YearFolder(const AppState& state);
    static inline const QString kJournalName = QStringLiteral("Journal.txt");

    // Makes the run's folder under the year folder, copies the grade table
    // (and its primary index) into it and starts the journal. Throws FileError.
    void Begin(const AppState& state, const QString& gradeTablePath, const JournalHeader& header);
    bool Started() const { return m_file.isOpen(); }
    const QString& Folder() const { return m_folder; }
    QString JournalPath() const;

    // Throws FileError when the line cannot be written: nothing may be stored then.
    void Append(const JournalEntry& entry);
    // Takes back the last count lines: their store did not happen.
    void Revoke(int count);
    // Closes the journal with the run's end.
    void Finish(const QString& outcome);

    // A journal read back.
    struct Run {
        QString journalPath;
        JournalHeader header;
        std::vector<JournalEntry> entries;
        QString outcome; // empty when the run never finished
        bool undone = false;
    };
    static std::optional<Run> Read(const QString& journalPath);
    // The latest run of the file (by name and FileID) in the year folder that has not been undone.
    static std::optional<Run> LastRunOf(const AppState& state, const QString& fileName,
                                        const QString& fileId);
    // Notes in the journal that the run was undone. Throws FileError.
    static void MarkUndone(const QString& journalPath, const QDateTime& when, int restored, int leftAlone);

    // Copies the grade table (and its primary index) into folder. Throws FileError.
    static void CopyGradeTable(const QString& gradeTablePath, const QString& folder);
    // A new folder under parent named by the moment, with a suffix when taken.
    static QString MakeRunFolder(const QString& parent, const QDateTime& moment,
                                 const QString& suffix = QString());

    // Field values as the journal writes them: N null, T text, I integer, F
    // float (17 digits, so that it reads back the same), L logical.
    static QString EncodeValue(const schooldb::FieldValue& value);
    static std::optional<schooldb::FieldValue> DecodeValue(QStringView text);

private:
    void WriteLine(const QString& line);

    QString m_folder;
    QFile m_file;
};

} // namespace ekaldo
