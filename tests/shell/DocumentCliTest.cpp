// The document commands of ekaldo-cli on real folders.
#include "exchange/GradeDataFile.h"
#include "support/TestSupport.h"

#include <QDir>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

struct Cli : ::testing::Test {
    TempFolder dir;
    QString prog;
    void SetUp() override {
        prog = dir.Path(QStringLiteral("prog"));
        QDir().mkpath(prog + QStringLiteral("/Exports"));
    }
    int Run(QStringList args, QString* out = nullptr, QString* err = nullptr) {
        args << QStringLiteral("--program-folder") << prog << QStringLiteral("--settings") << dir.Path(QStringLiteral("Z.INI"));
        const ProcessRun run = RunProgram(QStringLiteral(EKALDO_CLI_PATH), args, QStringLiteral("en_US.UTF-8"));
        if (out)
            *out = run.out;
        if (err)
            *err = run.err;
        return run.exitCode;
    }
};

QByteArray Sheet(const char* fileName) {
    return QByteArray("[Header]\r\nFile=MORVEN Grades Data\r\nFileName=") + fileName +
           "\r\nCreated=c\r\nExported=\r\n[Data]\r\nt\r\n";
}

} // namespace

TEST_F(Cli, SendReceiveListAndDelete) {
    WriteBytes(prog + QStringLiteral("/Exports/a.agd"), Sheet("a.agd"));
    QDir().mkpath(dir.Path(QStringLiteral("usb")));
    QString out, err;
    ASSERT_EQ(Run({QStringLiteral("send"), QStringLiteral("a.agd"), dir.Path(QStringLiteral("usb"))}, &out, &err), 0)
        << err.toStdString();
    const QString sent = dir.Path(QStringLiteral("usb/a.agd"));
    EXPECT_FALSE(ReadGradeHeader(sent).Exported.isEmpty());
    EXPECT_EQ(ReadGradeHeader(sent).Exported, ReadGradeHeader(prog + QStringLiteral("/Exports/a.agd")).Exported);

    // An existing destination is refused unless --overwrite is given.
    EXPECT_NE(Run({QStringLiteral("send"), QStringLiteral("a.agd"), sent}, &out, &err), 0);
    EXPECT_TRUE(err.contains(QStringLiteral("υπάρχει"))) << err.toStdString();
    EXPECT_EQ(Run({QStringLiteral("--overwrite"), QStringLiteral("send"), QStringLiteral("a.agd"), sent}), 0);

    ASSERT_EQ(Run({QStringLiteral("receive"), sent}, &out, &err), 0) << err.toStdString();
    EXPECT_FALSE(ReadGradeHeader(prog + QStringLiteral("/Imports/a.agd")).Imported.isEmpty());
    EXPECT_NE(Run({QStringLiteral("receive"), sent}), 0);

    ASSERT_EQ(Run({QStringLiteral("list"), QStringLiteral("inbox")}, &out), 0);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("α/α\tΌνομα Αρχείου\tΔημιουργήθηκε\tΑπεστάλη\tΣυμπληρώθηκε\tΕλήφθη\tΚαταχωρήθηκε"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1\ta.agd\tc\t"))) << lines[1].toStdString();

    EXPECT_NE(Run({QStringLiteral("delete"), QStringLiteral("inbox"), QStringLiteral("a.agd")}), 0) << "needs --yes";
    EXPECT_TRUE(QFile::exists(prog + QStringLiteral("/Imports/a.agd")));
    EXPECT_EQ(Run({QStringLiteral("delete"), QStringLiteral("inbox"), QStringLiteral("a.agd"), QStringLiteral("--yes")}), 0);
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral("/Imports/a.agd")));
    EXPECT_NE(Run({QStringLiteral("list"), QStringLiteral("attic")}), 0);
}
