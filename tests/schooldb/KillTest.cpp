// A writer killed at random moments never leaves a table that does not open,
// nor a record changed other than the one it was storing, nor that record
// half-stored.
#include "SchoolDbTestSupport.h"

#include "schooldb/ParadoxTable.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>

using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

TEST(SchoolDbKill, KilledWriterLeavesEveryOtherRecordUnchanged) {
    TempFolder folder;
    const QString password = QStringLiteral("27182");
    for (const QString& name : {QStringLiteral("PLAIN.DB"), QStringLiteral("LOCKED.DB")}) {
        TableBuilder t(name);
        t.Long("ID").Number("GRD1").Alpha("NOTE", 40).Number("GRD2");
        if (name == QStringLiteral("LOCKED.DB"))
            t.Password(password);
        for (int i = 0; i < 400; ++i)
            t.Row({i + 1, QVariant(), QStringLiteral("αρχική %1").arg(i), QVariant()});
        t.Write(folder.Path());
    }
    Session session;
    session.AddPassword(password);
    QRandomGenerator random(QRandomGenerator::global()->generate());
    for (int round = 0; round < 20; ++round) {
        const QString name = round % 2 ? QStringLiteral("LOCKED.DB") : QStringLiteral("PLAIN.DB");
        const auto before = ParadoxTable::Open(folder.Path(name), session.Check());
        const int record = random.bounded(400);
        QProcess child;
        child.start(QStringLiteral(EKALDO_STORE_CHILD_PATH), {folder.Path(), name, QString::number(record),
                                                              round % 2 ? password : QStringLiteral("-")});
        ASSERT_TRUE(child.waitForStarted(10000));
        ASSERT_TRUE(child.waitForReadyRead(20000)) << child.readAllStandardError().toStdString();
        QThread::usleep(random.bounded(30000));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished(10000);
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

        const auto after = ParadoxTable::Open(folder.Path(name), session.Check());
        ASSERT_EQ(after->RecordCount(), before->RecordCount());
        for (qint64 r = 0; r < after->RecordCount(); ++r) {
            if (r != record) {
                ASSERT_EQ(after->RecordBytes(r), before->RecordBytes(r))
                    << "round " << round << " record " << r;
            }
        }
        const double n = after->Value(record, 1).FloatValue();
        EXPECT_GE(n, 1.0) << "the first store was done before the kill";
        EXPECT_EQ(after->Value(record, 3), FieldValue::Float(-n)) << "never half a store";
        EXPECT_EQ(after->Value(record, 2), FieldValue::Text(QStringLiteral("αποθήκευση %1").arg(qint64(n))));
        EXPECT_EQ(after->Value(record, 0), FieldValue::Integer(record + 1));
    }
}
