// ekaldo-cli check, post and undo-post as the office would run them: a real
// process on a real school; and a posting process killed half way.
#include "ReviewTestSupport.h"

#include "core/exchange/GradeDataFile.h"
#include "core/review/GradePosting.h"
#include "core/review/PostingJournal.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "support/CliRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace ekaldo;
using namespace ekaldo::testing;
using schooldb::FieldValue;

namespace {

class ReviewCli : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareState(state, dir.Path());
        WriteSheetFile(QDir(state.ImportsDir).filePath(kFile),
                       {TitlesLine({"Άλγεβρα", "Φυσική"}), StudentLine("1;1;20", "Ωραίος", {"14,5", "x"}),
                        StudentLine("2;1;20", "Άγγελος", {"25", "-1"}),
                        StudentLine("5;1;20", "Ευθυμίου", {"9", "12"})});
    }
    QStringList Common() const {
        return {QStringLiteral("--program-folder"), dir.Path(),
                QStringLiteral("--settings"),       dir.Path(QStringLiteral("ZENTIK.INI")),
                QStringLiteral("--db-path"),        dir.Path(QStringLiteral("data")),
                QStringLiteral("--year"),           QStringLiteral("2025-2026")};
    }
    // withYear false: the program's folders only, for the commands that open no school year.
    ProcessRun Run(const QStringList& args, bool withYear = true, const std::function<void()>& inChild = {}) {
        return RunProgram(QStringLiteral(EKALDO_CLI_PATH), args + (withYear ? Common() : Common().mid(0, 4)),
                          QStringLiteral("el_GR.UTF-8"), 120000, inChild);
    }
    FieldValue Field(int student, int subject, const QString& field) {
        return StoredField(state, student, subject, field);
    }
    QString GradeTable() const { return QDir(SchoolFolder(dir.Path())).filePath(QStringLiteral("GRADE.DB")); }

    const QString kFile = QStringLiteral("Τμήμα Α.agd");
    TempFolder dir;
    AppState state;
};

} // namespace

TEST_F(ReviewCli, CheckListsErrorsAndWithAPeriodTheCellsThatWouldChange) {
    const QByteArray before = ReadBytes(GradeTable());
    const ProcessRun errors = Run({QStringLiteral("check"), kFile});
    EXPECT_EQ(errors.exitCode, 1) << errors.err.toStdString();
    EXPECT_TRUE(errors.out.contains(QStringLiteral("1\t1 Ωραίος Όνομα\tΦυσική\tx\tErr2\n")))
        << errors.out.toStdString();
    EXPECT_TRUE(errors.out.contains(QStringLiteral("2\t2 Άγγελος Όνομα\tΆλγεβρα\t25\tErr3\n")));
    EXPECT_TRUE(errors.out.endsWith(QStringLiteral("Μαθητές: 3, Λάθη: 2\n")));
    EXPECT_FALSE(errors.out.contains(QStringLiteral("Αλλαγές")));

    const ProcessRun changes =
        Run({QStringLiteral("check"), kFile, QStringLiteral("--period"), QStringLiteral("2")});
    // Student 5's Άλγεβρα holds 9 already; 14,5 and 12 are new.
    EXPECT_TRUE(changes.out.contains(QStringLiteral("1\t1 Ωραίος Όνομα\tΆλγεβρα\tGRD2\t\t14,5\n")))
        << changes.out.toStdString();
    EXPECT_TRUE(changes.out.contains(QStringLiteral("3\t5 Ευθυμίου Όνομα\tΦυσική\tGRD2\t\t12\n")));
    EXPECT_TRUE(
        changes.out.endsWith(QStringLiteral("Μαθητές: 3, Λάθη: 2, Αλλαγές: 2, Δεν θα αποθηκευτούν: 0\n")));
    EXPECT_EQ(ReadBytes(GradeTable()), before) << "a check writes nothing";

    const ProcessRun bad =
        Run({QStringLiteral("check"), kFile, QStringLiteral("--period"), QStringLiteral("25")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Άγνωστη Βαθμολογική Περίοδος")));
}

TEST_F(ReviewCli, PostNeedsTheRightAndYesThenUndoGivesEverythingBack) {
    const QByteArray before = ReadBytes(GradeTable());
    const QString path = QDir(state.ImportsDir).filePath(kFile);

    const ProcessRun refused =
        Run({QStringLiteral("post"), kFile, QStringLiteral("--period"), QStringLiteral("2"),
             QStringLiteral("--user"), QStringLiteral("GRAMM"), QStringLiteral("--password"),
             QStringLiteral("G1"), QStringLiteral("--yes")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("δεν έχει δικαίωμα Καταχώρησης")))
        << refused.err.toStdString();
    const ProcessRun unconfirmed =
        Run({QStringLiteral("post"), kFile, QStringLiteral("--period"), QStringLiteral("2")});
    EXPECT_EQ(unconfirmed.exitCode, 1);
    EXPECT_EQ(ReadBytes(GradeTable()), before);
    EXPECT_TRUE(ReadGradeHeader(path).Posted.isEmpty());

    const ProcessRun posted = Run({QStringLiteral("post"), path, QStringLiteral("--period"),
                                   QStringLiteral("2"), QStringLiteral("--yes")});
    // Student 1's Φυσική "x" and student 2's Άλγεβρα "25" are not in the database: not a success.
    ASSERT_EQ(posted.exitCode, 1) << posted.err.toStdString();
    EXPECT_TRUE(posted.out.contains(QStringLiteral("Εγγραφές που αποθηκεύτηκαν: 3")))
        << posted.out.toStdString();
    EXPECT_TRUE(posted.out.contains(QStringLiteral("2\t2 Άγγελος Όνομα\tΆλγεβρα\t25\tErr3\n")));
    EXPECT_EQ(Field(1, 1, "GRD2"), FieldValue::Float(14.5));
    EXPECT_EQ(Field(5, 2, "GRD2"), FieldValue::Float(12));
    EXPECT_FALSE(ReadGradeHeader(path).Posted.isEmpty());

    const ProcessRun undone = Run({QStringLiteral("undo-post"), kFile, QStringLiteral("--yes")});
    ASSERT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_TRUE(undone.out.endsWith(QStringLiteral("\nΤιμές που επανήλθαν: 2\n")))
        << undone.out.toStdString();
    EXPECT_EQ(ReadBytes(GradeTable()), before);
    EXPECT_TRUE(ReadGradeHeader(path).Posted.isEmpty());
    const ProcessRun again = Run({QStringLiteral("undo-post"), kFile, QStringLiteral("--yes")});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("για αναίρεση")));
}

TEST_F(ReviewCli, OtherSchoolYearIsRefused) {
    WriteSheetFile(QDir(state.ImportsDir).filePath(kFile),
                   {TitlesLine({"Άλγεβρα"}), StudentLine("1;1;20", "Α", {"3"})}, "2024-2025");
    const ProcessRun checked = Run({QStringLiteral("check"), kFile});
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_TRUE(checked.err.contains(QStringLiteral("Τα δεδομένα Βαθμολογίας ανήκουν σε άλλο Σχ. Έτος!")));
    const ProcessRun posted = Run({QStringLiteral("post"), kFile, QStringLiteral("--period"),
                                   QStringLiteral("1"), QStringLiteral("--yes")});
    EXPECT_EQ(posted.exitCode, 1);
    EXPECT_TRUE(ReadGradeHeader(QDir(state.ImportsDir).filePath(kFile)).Posted.isEmpty());
}

// A sheet that matches nothing of the database is no success: the cells and
// rows say why, and a run that stored nothing leaves the file unstamped.
TEST_F(ReviewCli, GradesWithNowhereToGoAreErrorsOfCheckAndPost) {
    const QString path = QDir(state.ImportsDir).filePath(kFile);
    WriteSheetFile(path, {TitlesLine({"Άλγεβρα ", "Φυσική"}), StudentLine("1;1;20", "Α", {"14", "-2"}),
                          StudentLine("77;1;20", "Ω", {"-2", "12"})});
    const QByteArray before = ReadBytes(GradeTable());
    const ProcessRun checked = Run({QStringLiteral("check"), kFile});
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_TRUE(checked.out.contains(QStringLiteral("1\t1 Α Όνομα\tΆλγεβρα \t14\tErr4\n")))
        << checked.out.toStdString();
    EXPECT_TRUE(checked.out.contains(QStringLiteral("2\t77 Ω Όνομα\t\t\tErr5\n")));
    EXPECT_TRUE(checked.out.contains(QStringLiteral("Err4: ") + PostingStateReason(PostingState::Err4)));
    const ProcessRun posted = Run({QStringLiteral("post"), kFile, QStringLiteral("--period"),
                                   QStringLiteral("2"), QStringLiteral("--yes")});
    EXPECT_EQ(posted.exitCode, 1);
    EXPECT_TRUE(posted.out.contains(QStringLiteral("Εγγραφές που αποθηκεύτηκαν: 0")))
        << posted.out.toStdString();
    EXPECT_TRUE(ReadGradeHeader(path).Posted.isEmpty());
    EXPECT_EQ(ReadBytes(GradeTable()), before);

    WriteSheetFile(path, {StudentLine("1;1;20", "Α", {"14"})});
    const ProcessRun untitled = Run({QStringLiteral("post"), kFile, QStringLiteral("--period"),
                                     QStringLiteral("2"), QStringLiteral("--yes")});
    EXPECT_EQ(untitled.exitCode, 1);
    EXPECT_TRUE(untitled.err.contains(QStringLiteral("γραμμή τίτλων"))) << untitled.err.toStdString();
    EXPECT_TRUE(ReadGradeHeader(path).Posted.isEmpty());
}

// Files whose text cannot be read are named for what is wrong with them by
// every command, never as a sheet of another school year or an unwritable folder.
TEST_F(ReviewCli, FilesThatCannotBeReadAreNamedForWhatTheyAre) {
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
        const QString path = QDir(state.ImportsDir).filePath(QString::fromLatin1(f.name));
        WriteBytes(path, f.bytes);
        const QString says = QString::fromUtf8(f.says);
        for (const QStringList& args : {QStringList{QStringLiteral("check"), path},
                                        QStringList{QStringLiteral("post"), path, QStringLiteral("--period"),
                                                    QStringLiteral("2"), QStringLiteral("--yes")}}) {
            const ProcessRun run = Run(args);
            EXPECT_EQ(run.exitCode, 1) << f.name;
            EXPECT_TRUE(run.err.contains(says)) << f.name << ": " << run.err.toStdString();
        }
        for (const QString& command : {QStringLiteral("show"), QStringLiteral("receive")}) {
            const ProcessRun run = Run({command, path}, false);
            EXPECT_EQ(run.exitCode, 1) << f.name;
            EXPECT_TRUE(run.err.contains(says))
                << command.toStdString() << " " << f.name << ": " << run.err.toStdString();
        }
        EXPECT_EQ(ReadBytes(path), f.bytes) << "nothing stamped";
    }
    // A file name with a NUL in it is no name: nothing is written.
    const QString nul = dir.Path(QStringLiteral("nul.agd"));
    WriteBytes(nul, Greek(QString(text).replace(QChar(0x151), QLatin1Char('o')))
                        .replace(Greek(QStringLiteral("=Ξένο")),
                                 Greek(QStringLiteral("=Ξέ")) + '\0' + Greek(QStringLiteral("νο"))));
    const QStringList inBox = QDir(state.ImportsDir).entryList(QDir::Files | QDir::Hidden);
    const ProcessRun received = Run({QStringLiteral("receive"), nul}, false);
    EXPECT_EQ(received.exitCode, 1);
    EXPECT_TRUE(received.err.contains(
        QStringLiteral("δεν μπορεί να δημιουργηθεί!\nΕλέγξτε την ονομασία του Αρχείου!")))
        << received.err.toStdString();
    EXPECT_EQ(received.err.count(QLatin1Char('\n')), 2) << "the error alone: " << received.err.toStdString();
    EXPECT_EQ(QDir(state.ImportsDir).entryList(QDir::Files | QDir::Hidden), inBox);
}

// A file-size limit smaller than GRADE.DB stops the copy before the first
// store: a write error, not the end of the program, and no run left behind.
TEST_F(ReviewCli, AFileSizeLimitIsAWriteErrorAndLeavesNoRunBehind) {
    const QByteArray before = ReadBytes(GradeTable());
    const rlim_t limit = rlim_t(before.size() / 2);
    const ProcessRun run = Run({QStringLiteral("post"), kFile, QStringLiteral("--period"),
                                QStringLiteral("2"), QStringLiteral("--yes")},
                               true, [limit] {
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
    EXPECT_TRUE(ReadGradeHeader(QDir(state.ImportsDir).filePath(kFile)).Posted.isEmpty());
}

// A posting process killed at random moments leaves GRADE.DB readable, every
// record either as it was or as posted, and a journal that names at least
// every record that changed.
TEST_F(ReviewCli, KillDuringPostingLeavesEveryRecordOldOrNew) {
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
    const QStringList post = QStringList{QStringLiteral("post"), kFile, QStringLiteral("--period"),
                                         QStringLiteral("7"), QStringLiteral("--yes")} +
                             Common();
    // A whole run first: how long one takes here, so that the kills fall inside the stores.
    QElapsedTimer clock;
    clock.start();
    {
        QProcess whole;
        whole.start(QStringLiteral(EKALDO_CLI_PATH), post);
        ASSERT_TRUE(whole.waitForFinished(120000));
        ASSERT_EQ(whole.exitCode(), 0) << whole.readAllStandardError().toStdString();
    }
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

    // An undo killed half way and run again finishes quietly: the table as
    // before the posting, no false "changed after posting", Posted cleared.
    WriteBytes(GradeTable(), pristine);
    const QStringList undo =
        QStringList{QStringLiteral("undo-post"), kFile, QStringLiteral("--yes")} + Common();
    qint64 undoMsecs = 0;
    for (int pass = 0; pass < 2; ++pass) {
        QProcess posting;
        posting.start(QStringLiteral(EKALDO_CLI_PATH), post);
        ASSERT_TRUE(posting.waitForFinished(120000));
        ASSERT_EQ(posting.exitCode(), 0) << posting.readAllStandardError().toStdString();
        QProcess undoing;
        clock.restart();
        undoing.start(QStringLiteral(EKALDO_CLI_PATH), undo);
        if (pass == 0) {
            ASSERT_TRUE(undoing.waitForFinished(120000));
            undoMsecs = clock.elapsed();
            continue;
        }
        ASSERT_TRUE(undoing.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(undoMsecs * 0.6));
        if (undoing.state() == QProcess::NotRunning)
            GTEST_SKIP() << "the undo ended before the kill";
        undoing.kill();
        undoing.waitForFinished();
    }
    QProcess again;
    again.start(QStringLiteral(EKALDO_CLI_PATH), undo);
    ASSERT_TRUE(again.waitForFinished(120000));
    const QString out = QString::fromUtf8(again.readAllStandardOutput());
    EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("Έμεινε"))) << out.toStdString();
    EXPECT_EQ(ReadBytes(GradeTable()), pristine);
    EXPECT_TRUE(ReadGradeHeader(QDir(state.ImportsDir).filePath(kFile)).Posted.isEmpty());
}
