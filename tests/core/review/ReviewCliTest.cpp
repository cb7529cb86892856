// ekaldo-cli check, post and undo-post as the office would run them: a real
// process on a real school; and a posting process killed half way.
#include "ReviewTestSupport.h"

#include "core/exchange/GradeDataFile.h"
#include "core/review/PostingJournal.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "schooldb/TablePasswords.h"
#include "support/CliRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

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
    ProcessRun Run(const QStringList& args) { return RunCli(args + Common(), QStringLiteral("el_GR.UTF-8")); }
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
    ASSERT_EQ(posted.exitCode, 0) << posted.err.toStdString();
    EXPECT_TRUE(posted.out.contains(QStringLiteral("Εγγραφές που αποθηκεύτηκαν: 3")))
        << posted.out.toStdString();
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
}
