// ekaldo-cli as the office would run it: a real process, real files.
#include "core/exchange/GradeDataFile.h"
#include "support/CliRun.h"

using namespace ekaldo;
using namespace ekaldo::testing;

TEST(Cli, MakeSheetThenShowRoundTripsAGreekSheet) {
    TempFolder dir;
    const QString tsv = dir.Path(QStringLiteral("in.tsv"));
    const QString agd = dir.Path(QStringLiteral("Β1 Φυσική.agd"));
    const QString sheet = QStringLiteral("α/α\tΕΠΩΝΥΜΟ\tΟΝΟΜΑ\tΆλγεβρα\n1001;1;20\tΆννα\tΔήμου\t18,5\n"
                                         "1002;0;10\tΌλγα\tΈλενα\t-2\n");
    WriteBytes(tsv, "\xEF\xBB\xBF" + sheet.toUtf8());
    const QString settings = dir.Path(QStringLiteral("ZENTIK.INI"));
    // Options may stand before or after the command's name.
    const ProcessRun made = RunCli({QStringLiteral("--settings"), settings, QStringLiteral("make-sheet"), tsv,
                                    agd, QStringLiteral("--school-year"), QStringLiteral("2024-2025")});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_EQ(made.out,
              QStringLiteral("Η Εξαγωγή στο Αρχείο \"") + agd + QStringLiteral("\" ολοκληρώθηκε!\n"));

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
    const ProcessRun bad =
        RunCli({QStringLiteral("make-sheet"), QStringLiteral("--school-year=2024-2025"), tsv, agd});
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
    WriteBytes(path, Greek(QStringLiteral(
                         "[Header]\r\nFile=MORVEN Grades Template\r\nVersion=1.0\r\nFileName=t.agt\r\n"
                         "[Levels]\r\n1=<Όλα>\r\nCnt=1\r\n")));
    const ProcessRun shown = RunCli({QStringLiteral("show"), path}, QStringLiteral("el_GR.UTF-8"));
    ASSERT_EQ(shown.exitCode, 0);
    EXPECT_TRUE(shown.out.startsWith(
        QStringLiteral("File=MORVEN Grades Template\nVersion=1.0\nCopyright=\nFileName=t.agt\n")));
    EXPECT_TRUE(shown.out.endsWith(QStringLiteral("\n\n[Levels]\n1=<Όλα>\nCnt=1\n")));
}

// The command line is read against each command's declared options: a
// mistyped option or a missing value stops the tool before it does anything,
// with the command's usage; --help answers on standard output, for every
// command, wherever it stands.
TEST(Cli, RefusesWhatACommandDoesNotTakeAndHelpsWithEachCommand) {
    TempFolder dir;
    const QString target = dir.Path(QStringLiteral("a.agd"));
    const QString sendUsage = QStringLiteral("Χρήση: ekaldo-cli send ΟΝΟΜΑ ΠΡΟΟΡΙΣΜΟΣ [ΕΠΙΛΟΓΕΣ]\n");
    const struct {
        QStringList args;
        int exitCode;
        QString err; // the start of standard error
        QString out; // a line standard output holds, or empty when it must be empty
    } cases[] = {
        {{QStringLiteral("--overwrit"), QStringLiteral("send"), QStringLiteral("a.agd"), target},
         2,
         QStringLiteral("Άγνωστη επιλογή: --overwrit\n") + sendUsage,
         {}},
        {{QStringLiteral("send"), QStringLiteral("a.agd"), target, QStringLiteral("--overwrit")},
         2,
         QStringLiteral("Άγνωστη επιλογή: --overwrit\n") + sendUsage,
         {}},
        {{QStringLiteral("show"), target, QStringLiteral("--yes")},
         2,
         QStringLiteral("Άγνωστη επιλογή: --yes\nΧρήση: ekaldo-cli show ΑΡΧΕΙΟ\n"),
         {}},
        {{QStringLiteral("show"), target, QStringLiteral("-x")},
         2,
         QStringLiteral("Άγνωστη επιλογή: -x\n"),
         {}},
        {{QStringLiteral("check"), target, QStringLiteral("--period")},
         2,
         QStringLiteral("Η επιλογή --period θέλει τιμή.\nΧρήση: ekaldo-cli check ΑΡΧΕΙΟ.agd --year ΕΤΟΣ"),
         {}},
        {{QStringLiteral("delete"), QStringLiteral("--yes=1"), QStringLiteral("inbox"),
          QStringLiteral("a.agd")},
         2,
         QStringLiteral("Η επιλογή --yes δεν παίρνει τιμή.\n"),
         {}},
        {{QStringLiteral("show")}, 2, QStringLiteral("Λάθος πλήθος ορισμάτων για την εντολή show.\n"), {}},
        {{QStringLiteral("--overwrite")},
         2,
         QStringLiteral("Άγνωστη επιλογή: --overwrite\nΧρήση: ekaldo-cli ΕΝΤΟΛΗ"),
         {}},
        {{}, 2, QStringLiteral("Δώστε μια εντολή.\nΧρήση: ekaldo-cli ΕΝΤΟΛΗ"), {}},
        {{QStringLiteral("post"), QStringLiteral("--help")},
         0,
         {},
         QStringLiteral("Χρήση: ekaldo-cli post ΑΡΧΕΙΟ.agd --year ΕΤΟΣ --period ΑΡΙΘΜΟΣ --yes [ΕΠΙΛΟΓΕΣ]")},
        {{QStringLiteral("--help"), QStringLiteral("--settings"), QStringLiteral("x.ini"),
          QStringLiteral("print")},
         0,
         {},
         QStringLiteral("  --printer ΕΚΤΥΠΩΤΗΣ  το όνομα του εκτυπωτή")},
        {{QStringLiteral("-h"), QStringLiteral("dump-table")},
         0,
         {},
         QStringLiteral("  --password ΣΥΝΘΗΜΑ  σύνθημα πίνακα, όπως γράφτηκε (και περισσότερες φορές)")},
    };
    for (const auto& c : cases) {
        const ProcessRun run = RunCli(c.args, QStringLiteral("el_GR.UTF-8"));
        const std::string words = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(run.exitCode, c.exitCode) << words << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(c.err)) << words << "\n" << run.err.toStdString();
        EXPECT_TRUE(c.out.isEmpty() ? run.out.isEmpty() : run.out.split(QLatin1Char('\n')).contains(c.out))
            << words << "\n"
            << run.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(target)) << "a refused command does nothing";

    // The general help lists every command with every option its own help gives.
    const ProcessRun general = RunCli({QStringLiteral("--help")});
    ASSERT_EQ(general.exitCode, 0);
    const ProcessRun usage = RunCli({});
    QStringList commands;
    for (const QString& line : usage.err.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("  ekaldo-cli ")))
            commands << line.section(QLatin1Char(' '), 3, 3);
    EXPECT_TRUE(commands.contains(QStringLiteral("compose")) &&
                commands.contains(QStringLiteral("undo-post")))
        << usage.err.toStdString();
    for (const QString& command : commands) {
        const ProcessRun own = RunCli({command, QStringLiteral("--help")});
        EXPECT_EQ(own.exitCode, 0) << command.toStdString();
        EXPECT_TRUE(
            general.out.contains(own.out.section(QLatin1Char('\n'), 0, 0).mid(7) + QStringLiteral(":\n")))
            << command.toStdString();
        for (const QString& line : own.out.split(QLatin1Char('\n'))) {
            if (line.startsWith(QStringLiteral("  --"))) {
                EXPECT_TRUE(general.out.contains(line))
                    << command.toStdString() << ": " << line.toStdString();
            }
        }
    }
}
