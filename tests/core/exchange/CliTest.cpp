// ekaldo-cli as the office would run it: a real process, real files.
#include "core/exchange/GradeDataFile.h"
#include "support/TestSupport.h"


using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

ProcessRun RunCli(const QStringList& args, const QString& lang = QStringLiteral("en_US.UTF-8")) {
    return RunProgram(QStringLiteral(EKALDO_CLI_PATH), args, lang);
}

} // namespace

TEST(Cli, MakeSheetThenShowRoundTripsAGreekSheet) {
    TempFolder dir;
    const QString tsv = dir.Path(QStringLiteral("in.tsv"));
    const QString agd = dir.Path(QStringLiteral("Β1 Φυσική.agd"));
    const QString sheet = QStringLiteral("α/α\tΕΠΩΝΥΜΟ\tΟΝΟΜΑ\tΆλγεβρα\n1001;1;20\tΆννα\tΔήμου\t18,5\n"
                                         "1002;0;10\tΌλγα\tΈλενα\t-2\n");
    WriteBytes(tsv, "\xEF\xBB\xBF" + sheet.toUtf8());
    const QString settings = dir.Path(QStringLiteral("ZENTIK.INI"));
    // Options may stand before or after the command's name.
    const ProcessRun made = RunCli({QStringLiteral("--settings"), settings, QStringLiteral("make-sheet"), tsv, agd,
                                   QStringLiteral("--school-year"), QStringLiteral("2024-2025")});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_EQ(made.out, QStringLiteral("Η Εξαγωγή στο Αρχείο \"") + agd + QStringLiteral("\" ολοκληρώθηκε!\n"));

    const QByteArray bytes = ReadBytes(agd);
    EXPECT_TRUE(bytes.startsWith("[Header]\r\nFile=MORVEN Grades Data\r\nVersion=1.0\r\n"));
    EXPECT_TRUE(bytes.endsWith(Greek(sheet).replace("\n", "\r\n"))) << "Windows-1253, CR LF";

    const ProcessRun shown = RunCli({QStringLiteral("show"), agd});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    const QStringList parts = shown.out.split(QStringLiteral("\n\n"));
    ASSERT_EQ(parts.size(), 2);
    EXPECT_TRUE(parts[0].contains(QStringLiteral("FileName=Β1 Φυσική.agd\n")));
    EXPECT_TRUE(parts[0].endsWith(QStringLiteral("\nSchoolYear=2024-2025")));
    EXPECT_TRUE(parts[0].contains(QStringLiteral("\nExported=\nModified=\nImported=\nPosted=\n")));
    EXPECT_EQ(parts[1], sheet);
}

TEST(Cli, ErrorsGoToStandardErrorWithAnExitCode) {
    TempFolder dir;
    const ProcessRun missing = RunCli({QStringLiteral("show"), dir.Path(QStringLiteral("none.agd"))});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_TRUE(missing.err.contains(QStringLiteral("δεν υπάρχει"))) << missing.err.toStdString();

    const QString tsv = dir.Path(QStringLiteral("in.tsv"));
    WriteBytes(tsv, QStringLiteral("α/α\tΌνομα\n1;1;20\tЖанна\n").toUtf8());
    const QString agd = dir.Path(QStringLiteral("x.agd"));
    const ProcessRun bad = RunCli({QStringLiteral("make-sheet"), QStringLiteral("--school-year=2024-2025"), tsv, agd});
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Windows-1253"))) << bad.err.toStdString();
    EXPECT_FALSE(QFile::exists(agd));

    const ProcessRun noYear = RunCli({QStringLiteral("make-sheet"), tsv, agd});
    EXPECT_NE(noYear.exitCode, 0);
    const ProcessRun unknown = RunCli({QStringLiteral("frobnicate")});
    EXPECT_EQ(unknown.exitCode, 2);
}

TEST(Cli, ShowsATemplateWithItsSections) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("t.agt"));
    WriteBytes(path, Greek(QStringLiteral("[Header]\r\nFile=MORVEN Grades Template\r\nVersion=1.0\r\nFileName=t.agt\r\n"
                                          "[Levels]\r\n1=<Όλα>\r\nCnt=1\r\n")));
    const ProcessRun shown = RunCli({QStringLiteral("show"), path}, QStringLiteral("el_GR.UTF-8"));
    ASSERT_EQ(shown.exitCode, 0);
    EXPECT_TRUE(shown.out.startsWith(QStringLiteral("File=MORVEN Grades Template\nVersion=1.0\nCopyright=\nFileName=t.agt\n")));
    EXPECT_TRUE(shown.out.endsWith(QStringLiteral("\n\n[Levels]\n1=<Όλα>\nCnt=1\n")));
}
