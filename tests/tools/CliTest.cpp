// ekaldo-cli as a real process on real files: each row one command, what its
// output must hold and its exit code, run in order in one folder. Here what the
// tool adds to the core: its words, exit codes, refusals, a posting killed half way.
#include "core/review/ReviewTestSupport.h"

#include "core/exchange/GradeDataFile.h"
#include "core/review/PostingJournal.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "schooldb/builder/TableBuilder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ekaldo;
using namespace ekaldo::testing;
using schooldb::FieldValue;

namespace {

struct Row {
    const char* args; // words split at '|'
    int exitCode;
    QStringList expect = {}; // what standard output holds, or standard error after "2>"
    std::function<void(const ProcessRun&)> then = {};
};

// The school of the posting tests in data/, the program folder the test's own.
class Cli : public ::testing::Test {
protected:
    void SetUp() override { PrepareState(state, dir.Path()); }

    // "@prog" and "@year" stand for the program's folders and the school year,
    // "@demo" for the year of the demo school; "@dpw" and "@upw" for the table
    // passwords; any other "@" for the test's folder.
    QStringList Words(const char* line) const {
        const QMap<QString, QStringList> macros{
            {"@prog", {"--program-folder", dir.Path(), "--settings", dir.Path("ZENTIK.INI")}},
            {"@year", {"--db-path", dir.Path("data"), "--year", "2025-2026"}},
            {"@demo", {"--db-path", dir.Path("demo"), "--year", "2025-2026"}}};
        QStringList words;
        for (const QString& word : QString::fromUtf8(line).split(QLatin1Char('|'), Qt::SkipEmptyParts))
            words << macros.value(word, {Expand(word)});
        return words;
    }
    QString Expand(QString text) const {
        return text.replace(QStringLiteral("@dpw"), schooldb::DataTablePassword())
            .replace(QStringLiteral("@upw"), schooldb::UserTablePassword())
            .replace(QLatin1Char('@'), dir.Path());
    }
    ProcessRun Run(const QStringList& args, const std::function<void()>& inChild = {}) const {
        return RunProgram(QStringLiteral(EKALDO_CLI_PATH), args, QStringLiteral("el_GR.UTF-8"), 120000,
                          inChild);
    }
    void Check(const Row& row) const {
        SCOPED_TRACE(row.args);
        const ProcessRun run = Run(Words(row.args));
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
        for (const QString& part : row.expect) {
            const bool err = part.startsWith(QStringLiteral("2>"));
            const QString& stream = err ? run.err : run.out;
            EXPECT_TRUE(stream.contains(Expand(err ? part.mid(2) : part))) << part.toStdString() << "\n"
                                                                           << stream.toStdString();
        }
        if (row.then)
            row.then(run);
    }
    void RunRows(const std::vector<Row>& rows) const {
        for (const Row& row : rows)
            Check(row);
    }

    QString Sheet() const { return QDir(state.ImportsDir).filePath(kFile); }
    void WriteReviewSheet() {
        WriteSheetFile(Sheet(),
                       {TitlesLine({"Άλγεβρα", "Φυσική"}), StudentLine("1;1;20", "Ωραίος", {"14,5", "x"}),
                        StudentLine("2;1;20", "Άγγελος", {"25", "-1"}),
                        StudentLine("5;1;20", "Ευθυμίου", {"9", "12"})});
    }
    QString GradeTable() const { return QDir(SchoolFolder(dir.Path())).filePath(QStringLiteral("GRADE.DB")); }
    // The file at path is there, or is not, after the row.
    static std::function<void(const ProcessRun&)> Exists(const QString& path, bool there) {
        return [=](const ProcessRun&) { EXPECT_EQ(QFile::exists(path), there) << path.toStdString(); };
    }
    // GRADE.DB as it was and the sheet unstamped: a run that wrote nothing.
    std::function<void(const ProcessRun&)> Untouched() const {
        return [this, before = ReadBytes(GradeTable())](const ProcessRun&) {
            EXPECT_EQ(ReadBytes(GradeTable()), before);
            EXPECT_TRUE(ReadGradeHeader(Sheet()).Posted.isEmpty());
        };
    }

    const QString kFile = QStringLiteral("Τμήμα Α.agd");
    TempFolder dir;
    AppState state;
};

} // namespace

TEST_F(Cli, MakeSheetShowAndTheirRefusals) {
    const QString sheet = QStringLiteral("α/α\tΕΠΩΝΥΜΟ\tΟΝΟΜΑ\tΆλγεβρα\n1001;1;20\tΆννα\tΔήμου\t18,5\n"
                                         "1002;0;10\tΌλγα\tΈλενα\t-2\n");
    WriteBytes(dir.Path(QStringLiteral("in.tsv")), "\xEF\xBB\xBF" + sheet.toUtf8());
    WriteBytes(dir.Path(QStringLiteral("bad.tsv")), QStringLiteral("α/α\tΌνομα\n1;1;20\tЖанна\n").toUtf8());
    RunRows({
        // Options may stand before or after the command's name.
        {"--settings|@/Z.INI|make-sheet|@/in.tsv|@/Β1 Φυσική.agd|--school-year|2024-2025",
         0,
         {"Η Εξαγωγή στο Αρχείο \"@/Β1 Φυσική.agd\" ολοκληρώθηκε!\n"},
         [&](const ProcessRun&) {
             const QByteArray bytes = ReadBytes(dir.Path(QStringLiteral("Β1 Φυσική.agd")));
             EXPECT_TRUE(bytes.endsWith(Greek(sheet).replace("\n", "\r\n"))) << "Windows-1253, CR LF";
         }},
        {"show|@/Β1 Φυσική.agd", 0, {"\nSchoolYear=2024-2025\n\n", sheet}},
        {"show|@/none.agd", 1, {"2>δεν υπάρχει"}},
        {"make-sheet|--school-year=2024-2025|@/bad.tsv|@/x.agd",
         1,
         {"2>Windows-1253"},
         Exists(dir.Path("x.agd"), false)},
        {"make-sheet|@/in.tsv|@/x.agd", 1, {"2>--school-year"}},
        {"@prog|print|Κανένα.agd|--pdf|@/out.pdf",
         1,
         {"2>Το Αρχείο \"Κανένα.agd\" δεν υπάρχει!"},
         Exists(dir.Path("out.pdf"), false)},
        {"@prog|print|@/Β1 Φυσική.agd|--printer|Κανένας τέτοιος",
         1,
         {"2>Ο εκτυπωτής \"Κανένας τέτοιος\" δεν βρέθηκε."}},
        {"frobnicate", 2},
    });
}

// A mistyped option or a missing value stops the tool before it does
// anything, with the command's usage; --help answers on standard output.
TEST_F(Cli, RefusesWhatACommandDoesNotTakeAndHelpsWithEachCommand) {
    RunRows({
        {"--overwrit|send|a.agd|@/a.agd",
         2,
         {"2>Άγνωστη επιλογή: --overwrit\nΧρήση: ekaldo-cli send ΟΝΟΜΑ ΠΡΟΟΡΙΣΜΟΣ [ΕΠΙΛΟΓΕΣ]\n"}},
        {"check|@/a.agd|--period",
         2,
         {"2>Η επιλογή --period θέλει τιμή.\nΧρήση: ekaldo-cli check ΑΡΧΕΙΟ.agd --year ΕΤΟΣ"}},
        {"delete|--yes=1|inbox|a.agd", 2, {"2>Η επιλογή --yes δεν παίρνει τιμή.\n"}},
        {"show", 2, {"2>Λάθος πλήθος ορισμάτων για την εντολή show.\n"}},
        {"--overwrite", 2, {"2>Άγνωστη επιλογή: --overwrite\nΧρήση: ekaldo-cli ΕΝΤΟΛΗ"}},
        {"", 2, {"2>Δώστε μια εντολή.\nΧρήση: ekaldo-cli ΕΝΤΟΛΗ"}},
        {"post|--help",
         0,
         {"Χρήση: ekaldo-cli post ΑΡΧΕΙΟ.agd --year ΕΤΟΣ --period ΑΡΙΘΜΟΣ --yes [ΕΠΙΛΟΓΕΣ]\n"}},
    });
    EXPECT_FALSE(QFile::exists(dir.Path(QStringLiteral("a.agd")))) << "a refused command does nothing";
}

TEST_F(Cli, SendReceiveListAndDelete) {
    WriteBytes(
        QDir(state.ExportsDir).filePath(QStringLiteral("a.agd")),
        "[Header]\r\nFile=MORVEN Grades Data\r\nFileName=a.agd\r\nCreated=c\r\nExported=\r\n[Data]\r\nt\r\n");
    QDir().mkpath(dir.Path(QStringLiteral("usb")));
    const QString received = QDir(state.ImportsDir).filePath(QStringLiteral("a.agd"));
    RunRows({
        {"send|a.agd|@/usb|@prog", 0},
        {"send|a.agd|@/usb/a.agd|@prog", 1, {"2>υπάρχει"}},
        {"--overwrite|send|a.agd|@/usb/a.agd|@prog", 0},
        {"receive|@/usb/a.agd|@prog", 0},
        {"receive|@/usb/a.agd|@prog", 1},
        {"list|inbox|@prog",
         0,
         {"α/α\tΌνομα Αρχείου\tΔημιουργήθηκε\tΑπεστάλη\tΣυμπληρώθηκε\tΕλήφθη\tΚαταχωρήθηκε\n1\ta.agd\tc\t"}},
        {"delete|inbox|a.agd|@prog", 1, {}, Exists(received, true)},
        {"delete|inbox|a.agd|--yes|@prog", 0, {}, Exists(received, false)},
        {"list|attic|@prog", 1, {"2>attic"}},
    });
}

// A read-only InBox (a shared folder without write permission): told in Greek, nothing
// lost. Root passes every permission check, so there the tool runs as nobody.
TEST_F(Cli, ReceivingIntoAReadOnlyInBoxIsRefusedAndLosesNothing) {
    const QString inbox = state.ImportsDir;
    QDir().mkpath(inbox);
    const QString sent = dir.Path(QStringLiteral("a.agd"));
    const QByteArray sheet = "[Header]\r\nFile=MORVEN Grades Data\r\nFileName=a.agd\r\n[Data]\r\nt\r\n";
    WriteBytes(sent, sheet);
    const auto setMode = [](const QString& path, mode_t bits) {
        return ::chmod(QFile::encodeName(path), bits) == 0;
    };
    for (const QString& path : {dir.Path(), state.ExportsDir})
        ASSERT_TRUE(setMode(path, 0777));
    ASSERT_TRUE(setMode(sent, 0444));
    ASSERT_TRUE(setMode(inbox, 0555));
    QString program = QStringLiteral(EKALDO_CLI_PATH);
    QStringList args = Words("receive|@/a.agd|@prog");
    if (::geteuid() == 0) {
        args = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                           QStringLiteral("--clear-groups"), QStringLiteral("--"), program} +
               args;
        program = QStringLiteral("setpriv");
    }
    const ProcessRun run = RunProgram(program, args);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(inbox)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("δεν μπορεί"))) << run.err.toStdString();
    EXPECT_EQ(ReadBytes(sent), sheet);
    EXPECT_TRUE(QDir(inbox).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "no half copy left behind";
    setMode(inbox, 0777);
}

TEST_F(Cli, ComposeRefusesWhatItCannotDoAndWritesNothing) {
    const QString year = dir.Path(QStringLiteral("demo/MV202526.SYR"));
    schooldb::WriteDemoSchool(year);
    RunRows({
        {"compose|--class|Α Γυμν.|--subject|Μαθηματικά|--period|1|--save|Α γυμν|@prog|@demo", 0},
        {"compose|--save|Α γυμν|@prog|@demo", 1, {"2>υπάρχει"}},
        {"compose|--class|Ανύπαρκτη|--print-sheet|@prog|@demo", 1},
    });
    // A school-year folder that lost one of its tables: the table is named in Greek.
    for (const char* table : {"SUBJECT.DB", "CLASS.DB", "GRADE.DB", "STUDENT.DB"}) {
        const QString path = QDir(year).filePath(QLatin1String(table));
        ASSERT_TRUE(QFile::rename(path, dir.Path(QStringLiteral("aside.DB")))) << table;
        Check({"compose|--class|Α Γυμν.|--subject|Μαθηματικά|--period|1|--save|Β γυμν|@prog|@demo",
               1,
               {"2>" + QString::fromUtf8(table), "2>δεν υπάρχει"},
               Exists(QDir(state.ExportsDir).filePath(QStringLiteral("Β γυμν.agd")), false)});
        ASSERT_TRUE(QFile::rename(dir.Path(QStringLiteral("aside.DB")), path));
    }
}

TEST_F(Cli, DumpTablePrintsNamesTypesAndRecordsWithNullsEmpty) {
    schooldb::TableBuilder("ODD.DB")
        .Alpha("TEXT", 20)
        .Short("N")
        .Row({QStringLiteral("α\tβ\\γ"), QVariant()})
        .Row({QVariant(), -5})
        .Write(SchoolFolder(dir.Path()));
    RunRows({
        {"dump-table|@/data/MV202526.SYR|SUBJECT.DB|--password|@dpw",
         0,
         {"SUBJECTID\tSUBJNAME\tSUBSUBJNAM\tCLASSID\tSUBJEDIT\n"
          "Autoincrement\tAlpha 20\tAlpha 20\tLong Integer\tLogical\n",
          "\n3\tΙστορία\t\t1\tFalse\n"}},
        {"dump-table|@/data/MV202526.SYR|odd.db", 0, {"TEXT\tN\nAlpha 20\tShort\nα\\tβ\\\\γ\t\n\t-5\n"}},
        // Several passwords may be given; the wrong one alone opens nothing.
        {"dump-table|@/data/MV202526.SYR|USER.DB|--password|@dpw|--password|@upw", 0, {"\nTALMIR\tTALMIR\t"}},
        {"dump-table|@/data/MV202526.SYR|USER.DB|--password|@dpw",
         1,
         {"2>USER.DB"},
         [](const ProcessRun& run) { EXPECT_TRUE(run.out.isEmpty()); }},
        {"dump-table|@/data/MV202526.SYR|TEACHER.DB", 1, {"2>TEACHER.DB"}},
    });
}

// The password typed in small letters is the one the sign-in window makes of them.
TEST_F(Cli, ListsYearsAndSignsIn) {
    RunRows({
        {"years|@prog|--db-path|@/data", 0, {"Σχ.Έτος 2025-2026\n"}},
        {"whoami|--user|GRAMM|--password|g1|@prog|@year", 0, {"Χρήστης: GRAMM\n"}},
        {"whoami|--user|GRAMM|--password|G2|@prog|@year", 1, {"2>Το Σύνθημα δεν ταιριάζει!"}},
        {"whoami|@prog|--db-path|@/data|--year|1990-1991", 1},
    });
}

TEST_F(Cli, CheckPostAndUndoWithTheirRefusals) {
    WriteReviewSheet();
    const auto untouched = Untouched();
    RunRows({
        {"check|Τμήμα Α.agd|@prog|@year",
         1,
         {"2\t2 Άγγελος Όνομα\tΆλγεβρα\t25\tErr3\n", "Μαθητές: 3, Λάθη: 2\n"}},
        // Student 5's Άλγεβρα holds 9 already; 14,5 and 12 are new.
        {"check|Τμήμα Α.agd|--period|2|@prog|@year",
         1,
         {"3\t5 Ευθυμίου Όνομα\tΦυσική\tGRD2\t\t12\n", "Αλλαγές: 2, Δεν θα αποθηκευτούν: 0\n"},
         untouched},
        {"check|Τμήμα Α.agd|--period|25|@prog|@year", 2, {"2>Άγνωστη Βαθμολογική Περίοδος"}},
        {"post|Τμήμα Α.agd|--period|2|--user|GRAMM|--password|G1|--yes|@prog|@year",
         1,
         {"2>δεν έχει δικαίωμα Καταχώρησης"},
         untouched},
        {"post|Τμήμα Α.agd|--period|2|@prog|@year", 1, {}, untouched},
        // The "x" and the "25" are not in the database: not a success.
        {"post|@/Imports/Τμήμα Α.agd|--period|2|--yes|@prog|@year",
         1,
         {"Εγγραφές που αποθηκεύτηκαν: 3", "2\t2 Άγγελος Όνομα\tΆλγεβρα\t25\tErr3\n"},
         [&](const ProcessRun&) {
             EXPECT_EQ(StoredField(state, 1, 1, QStringLiteral("GRD2")), FieldValue::Float(14.5));
             EXPECT_EQ(StoredField(state, 5, 2, QStringLiteral("GRD2")), FieldValue::Float(12));
             EXPECT_FALSE(ReadGradeHeader(Sheet()).Posted.isEmpty());
         }},
        {"undo-post|Τμήμα Α.agd|--yes|@prog|@year", 0, {"\nΤιμές που επανήλθαν: 2\n"}, untouched},
        {"undo-post|Τμήμα Α.agd|--yes|@prog|@year", 1, {"2>για αναίρεση"}},
    });
}

// A sheet of another school year, or one that matches nothing of the
// database, is no success: nothing stored, the file left unstamped.
TEST_F(Cli, SheetsThatCannotBePostedAreErrorsOfCheckAndPost) {
    WriteSheetFile(Sheet(), {TitlesLine({"Άλγεβρα"}), StudentLine("1;1;20", "Α", {"3"})}, "2024-2025");
    const auto untouched = Untouched();
    RunRows({
        {"check|Τμήμα Α.agd|@prog|@year", 1, {"2>Τα δεδομένα Βαθμολογίας ανήκουν σε άλλο Σχ. Έτος!"}},
        {"post|Τμήμα Α.agd|--period|1|--yes|@prog|@year", 1, {}, untouched},
    });
    WriteSheetFile(Sheet(), {TitlesLine({"Άλγεβρα ", "Φυσική"}), StudentLine("1;1;20", "Α", {"14", "-2"}),
                             StudentLine("77;1;20", "Ω", {"-2", "12"})});
    Check({"post|Τμήμα Α.agd|--period|2|--yes|@prog|@year", 1, {"Εγγραφές που αποθηκεύτηκαν: 0"}, untouched});
    WriteSheetFile(Sheet(), {StudentLine("1;1;20", "Α", {"14"})});
    Check({"post|Τμήμα Α.agd|--period|2|--yes|@prog|@year", 1, {"2>γραμμή τίτλων"}, untouched});
}

// Files whose text cannot be read are named for what is wrong with them by
// every command, never as a sheet of another school year or an unwritable folder.
TEST_F(Cli, FilesThatCannotBeReadAreNamedForWhatTheyAre) {
    const QString text = QStringLiteral("[Header]\r\nFile=MORVEN Grades Data\r\nFileName=Ξένο.agd\r\n"
                                        "FileID=46000.5\r\nPosted=\r\nSchoolYear=2025-2026\r\n[Data]\r\n") +
                         TitlesLine({"Άλγεβρα"}) + QStringLiteral("\r\n") +
                         StudentLine("1;1;20", QStringLiteral("Ο\u0151ς"), {"14"}) + QStringLiteral("\r\n");
    const struct {
        const char* name;
        QByteArray bytes;
        const char* says;
    } files[] = {
        {"utf8.agd", "\xEF\xBB\xBF" + text.toUtf8(), "(U+0151)"},
        {"mac.agd", text.toUtf8().replace("\r\n", "\r"), "μόνο σε CR"},
    };
    for (const auto& f : files) {
        WriteBytes(dir.Path(QString::fromLatin1(f.name)), f.bytes);
        const QByteArray path = "@/" + QByteArray(f.name);
        for (const QByteArray& args :
             {"check|" + path + "|@prog|@year", "post|" + path + "|--period|2|--yes|@prog|@year",
              "show|" + path + "|@prog", "receive|" + path + "|@prog"})
            Check({args.constData(), 1, {"2>" + QString::fromUtf8(f.says)}});
        EXPECT_EQ(ReadBytes(dir.Path(QString::fromLatin1(f.name))), f.bytes) << "nothing stamped";
    }
    // A file name with a NUL in it is no name: nothing is written.
    WriteBytes(dir.Path(QStringLiteral("nul.agd")),
               Greek(QString(text).replace(QChar(0x151), QLatin1Char('o')))
                   .replace(Greek(QStringLiteral("=Ξένο")),
                            Greek(QStringLiteral("=Ξέ")) + '\0' + Greek(QStringLiteral("νο"))));
    const QStringList inBox = QDir(state.ImportsDir).entryList(QDir::Files | QDir::Hidden);
    Check({"receive|@/nul.agd|@prog",
           1,
           {"2>δεν μπορεί να δημιουργηθεί!\nΕλέγξτε την ονομασία του Αρχείου!"},
           [&](const ProcessRun& run) {
               EXPECT_EQ(run.err.count(QLatin1Char('\n')), 2) << "the error alone";
               EXPECT_EQ(QDir(state.ImportsDir).entryList(QDir::Files | QDir::Hidden), inBox);
           }});
}

// A file-size limit smaller than GRADE.DB stops the copy before the first
// store: a write error, not the end of the program, and no run left behind.
TEST_F(Cli, AFileSizeLimitIsAWriteErrorAndLeavesNoRunBehind) {
    WriteReviewSheet();
    const QByteArray before = ReadBytes(GradeTable());
    const rlim_t limit = rlim_t(before.size() / 2);
    const ProcessRun run = Run(Words("post|Τμήμα Α.agd|--period|2|--yes|@prog|@year"), [limit] {
        std::signal(SIGXFSZ, SIG_DFL);
        struct rlimit l {};
        getrlimit(RLIMIT_FSIZE, &l);
        l.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &l);
    });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("δεν μπορεί να αποθηκευτεί"))) << run.err.toStdString();
    EXPECT_EQ(ReadBytes(GradeTable()), before);
    EXPECT_FALSE(QFileInfo::exists(dir.Path(QStringLiteral("Backups/2025-2026")))) << "no empty run folder";
    EXPECT_TRUE(ReadGradeHeader(Sheet()).Posted.isEmpty());
}

// A posting process killed at random moments leaves GRADE.DB readable, every
// record either as it was or as posted, and a journal that names at least
// every record that changed.
TEST_F(Cli, KillDuringPostingLeavesEveryRecordOldOrNew) {
    const QString school = SchoolFolder(dir.Path());
    constexpr int kStudents = 500, kSubjects = 8;
    schooldb::WriteGeneratedSchool(school, {kStudents, kSubjects, 5});
    const QByteArray pristine = ReadBytes(GradeTable());
    QStringList subjects;
    for (int k = 1; k <= kSubjects; ++k)
        subjects.append(QStringLiteral("Μάθημα %1").arg(k));
    QStringList lines{TitlesLine(subjects)};
    for (int s = 1; s <= kStudents; ++s) {
        QStringList cells;
        for (int k = 0; k < kSubjects; ++k)
            cells.append(QString::number(1 + (s + k) % 20));
        lines.append(StudentLine(QStringLiteral("%1;1;20").arg(s), QStringLiteral("Μ"), cells));
    }
    WriteSheetFile(QDir(state.ImportsDir).filePath(kFile), lines);
    const QList<QByteArray> old = RecordBytes(GradeTable());

    schooldb::Session session;
    session.AddPassword(schooldb::DataTablePassword());
    const auto oldTable = schooldb::ParadoxTable::FromBytes(pristine, GradeTable(), session.Check());
    const QStringList post = Words("post|Τμήμα Α.agd|--period|7|--yes|@prog|@year");
    // A whole run first: how long one takes here, so that the kills fall inside the stores.
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(Run(post).exitCode, 0);
    const qint64 runMsecs = clock.elapsed();
    QDir(QDir(dir.Path()).filePath(QStringLiteral("Backups"))).removeRecursively();

    QRandomGenerator random(77);
    int partial = 0, touched = 0;
    for (int round = 0; round < 3; ++round) {
        WriteBytes(GradeTable(), pristine);
        QProcess process;
        process.start(QStringLiteral(EKALDO_CLI_PATH), post);
        ASSERT_TRUE(process.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(runMsecs * (0.3 + 0.6 * random.generateDouble())));
        process.kill();
        process.waitForFinished();

        const QList<QByteArray> now = RecordBytes(GradeTable()); // throws when the table is damaged
        ASSERT_EQ(now.size(), old.size());
        const auto table = schooldb::ParadoxTable::Open(GradeTable(), session.Check());
        const int grd7 = table->Layout().FieldIndex(u"GRD7");
        const int student = table->Layout().FieldIndex(u"STUDENTID");
        const int subject = table->Layout().FieldIndex(u"SUBJECTID");
        int changed = 0;
        for (qint64 r = 0; r < table->RecordCount(); ++r) {
            if (now[r] == old[r])
                continue;
            ++changed;
            // A changed record differs in GRD7 alone, and holds the posted grade.
            for (int f = 0; f < table->FieldCount(); ++f) {
                if (f != grd7) {
                    ASSERT_EQ(table->Value(r, f), oldTable->Value(r, f)) << "record " << r << " field " << f;
                }
            }
            const qint64 s = table->Value(r, student).IntegerValue();
            const qint64 k = (table->Value(r, subject).IntegerValue() - 1) % kSubjects;
            ASSERT_EQ(table->Value(r, grd7), FieldValue::Float(1 + (s + k) % 20)) << "record " << r;
        }
        // The journal of the run lists at least every changed record.
        QDir year(QDir(dir.Path()).filePath(QStringLiteral("Backups/2025-2026")));
        const QStringList runs = year.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        // A kill before the journal began leaves no journal and no change.
        std::size_t entries = 0;
        if (!runs.isEmpty())
            if (const auto run =
                    PostingJournal::Read(QDir(year.filePath(runs.back())).filePath("Journal.txt")))
                entries = run->entries.size();
        EXPECT_GE(int(entries), changed) << "round " << round;
        touched += changed > 0;
        partial += changed > 0 && changed < old.size();
        year.removeRecursively();
    }
    EXPECT_GT(touched, 0) << "no round got as far as a store: the kills prove nothing";
    RecordProperty("rounds_killed_half_way", partial);
}
