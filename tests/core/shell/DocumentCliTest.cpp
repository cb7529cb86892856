// The document commands of ekaldo-cli on real folders.
#include "core/exchange/GradeDataFile.h"
#include "support/CliRun.h"

#include <QDir>

#include <unistd.h>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

struct Cli : ::testing::Test, CliRunner {
    using CliRunner::Run; // not the test's own
    TempFolder dir;
    QString prog;
    void SetUp() override {
        prog = dir.Path(QStringLiteral("prog"));
        QDir().mkpath(prog + QStringLiteral("/Exports"));
        common = {QStringLiteral("--program-folder"), prog, QStringLiteral("--settings"),
                  dir.Path(QStringLiteral("Z.INI"))};
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
    ASSERT_EQ(
        Run({QStringLiteral("send"), QStringLiteral("a.agd"), dir.Path(QStringLiteral("usb"))}, &out, &err),
        0)
        << err.toStdString();
    const QString sent = dir.Path(QStringLiteral("usb/a.agd"));
    EXPECT_FALSE(ReadGradeHeader(sent).Exported.isEmpty());
    EXPECT_EQ(ReadGradeHeader(sent).Exported,
              ReadGradeHeader(prog + QStringLiteral("/Exports/a.agd")).Exported);

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
    EXPECT_EQ(
        lines[0],
        QStringLiteral("α/α\tΌνομα Αρχείου\tΔημιουργήθηκε\tΑπεστάλη\tΣυμπληρώθηκε\tΕλήφθη\tΚαταχωρήθηκε"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1\ta.agd\tc\t"))) << lines[1].toStdString();

    EXPECT_NE(Run({QStringLiteral("delete"), QStringLiteral("inbox"), QStringLiteral("a.agd")}), 0)
        << "needs --yes";
    EXPECT_TRUE(QFile::exists(prog + QStringLiteral("/Imports/a.agd")));
    EXPECT_EQ(Run({QStringLiteral("delete"), QStringLiteral("inbox"), QStringLiteral("a.agd"),
                   QStringLiteral("--yes")}),
              0);
    EXPECT_FALSE(QFile::exists(prog + QStringLiteral("/Imports/a.agd")));
    EXPECT_NE(Run({QStringLiteral("list"), QStringLiteral("attic")}), 0);
}

// A read-only InBox, as on a shared folder without write permission: the
// office is told in Greek and the sheet it was receiving stays as it was.
// Root passes every permission check, so there the tool runs as nobody.
TEST_F(Cli, ReceivingIntoAReadOnlyInBoxIsRefusedAndLosesNothing) {
    const QString inbox = prog + QStringLiteral("/Imports");
    QDir().mkpath(inbox);
    const QString sent = dir.Path(QStringLiteral("a.agd"));
    WriteBytes(sent, Sheet("a.agd"));
    const auto everyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    for (const QString& path : {dir.Path(), prog, prog + QStringLiteral("/Exports")})
        ASSERT_TRUE(QFile::setPermissions(path, everyone));
    ASSERT_TRUE(QFile::setPermissions(sent, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ReadOther));
    ASSERT_TRUE(QFile::setPermissions(inbox, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                 QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                                 QFileDevice::ReadOther | QFileDevice::ExeOther));
    QString program = QStringLiteral(EKALDO_CLI_PATH);
    QStringList args = {QStringLiteral("receive"),          sent,
                        QStringLiteral("--program-folder"), prog,
                        QStringLiteral("--settings"),       dir.Path(QStringLiteral("Z.INI"))};
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
    EXPECT_EQ(ReadBytes(sent), Sheet("a.agd"));
    EXPECT_TRUE(QDir(inbox).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "no half copy left behind";
    QFile::setPermissions(inbox, everyone);
}
