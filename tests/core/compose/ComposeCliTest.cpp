// ekaldo-cli compose and save-template on the demo school, as an office would run them.
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "support/CliRun.h"
#include "support/ScriptedUiServices.h"

#include <QDir>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

struct ComposeCli : ::testing::Test, CliRunner {
    using CliRunner::Run; // not the test's own
    TempFolder dir;
    QString prog, data;
    void SetUp() override {
        prog = dir.Path(QStringLiteral("prog"));
        data = dir.Path(QStringLiteral("data"));
        QDir().mkpath(prog);
        schooldb::WriteDemoSchool(data + QStringLiteral("/MV202526.SYR"));
        common = {QStringLiteral("--program-folder"), prog,
                  QStringLiteral("--db-path"),        data,
                  QStringLiteral("--year"),           QStringLiteral("2025-2026"),
                  QStringLiteral("--settings"),       dir.Path(QStringLiteral("Z.INI"))};
        locale = QStringLiteral("el_GR.UTF-8");
    }
};

} // namespace

TEST_F(ComposeCli, ComposesSavesAndReopensThroughATemplate) {
    QString out, err;
    ASSERT_EQ(Run({QStringLiteral("compose"), QStringLiteral("--class"), QStringLiteral("Α Γυμν."),
                   QStringLiteral("--subject"), QStringLiteral("Μαθηματικά"), QStringLiteral("--period"),
                   QStringLiteral("1"), QStringLiteral("--columns"), QStringLiteral("ΜΗΤΡΩΟ,ΕΠΩΝΥΜΟ"),
                   QStringLiteral("--print-sheet")},
                  &out, &err),
              0)
        << err.toStdString();
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 2);
    EXPECT_EQ(lines[0],
              QStringLiteral("α/α\tΜΗΤΡΩΟ\tΕΠΩΝΥΜΟ\tΟΝΟΜΑ\tΠΑΤΡΩΝΥΜΟ\tΕΠΙΠΕΔΟ\tΤΑΞΗ\tΤΜΗΜΑ\tΜαθηματικά"));
    for (int i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].split(QLatin1Char('\t')).value(6), QStringLiteral("Α Γυμν."))
            << lines[i].toStdString();

    ASSERT_EQ(Run({QStringLiteral("save-template"), QStringLiteral("--class"), QStringLiteral("Α Γυμν."),
                   QStringLiteral("--subject"), QStringLiteral("Μαθηματικά"), QStringLiteral("Α γυμν")}),
              0);
    ASSERT_EQ(Run({QStringLiteral("compose"), QStringLiteral("--template"), QStringLiteral("Α γυμν.agt"),
                   QStringLiteral("--period"), QStringLiteral("1"), QStringLiteral("--columns"),
                   QStringLiteral("ΜΗΤΡΩΟ,ΕΠΩΝΥΜΟ"), QStringLiteral("--save"), QStringLiteral("Α γυμν")},
                  &out, &err),
              0)
        << err.toStdString();
    const QString saved = prog + QStringLiteral("/Exports/Α γυμν.agd");
    EXPECT_EQ(ReadGradeHeader(saved).SchoolYear, QStringLiteral("2025-2026"));
    // The template reproduces the sheet: the saved data lines are the printed ones.
    GradeSheet back;
    ScriptedUiServices ui;
    ASSERT_TRUE(ReadGradeDataRows(saved, ui, back, nullptr));
    ASSERT_EQ(back.RowCount(), lines.size());
    for (int r = 0; r < back.RowCount(); ++r)
        EXPECT_EQ(back.RowText(r).toString(), lines[r]);

    // An existing file is kept unless --overwrite.
    EXPECT_NE(
        Run({QStringLiteral("compose"), QStringLiteral("--save"), QStringLiteral("Α γυμν")}, &out, &err), 0);
    EXPECT_TRUE(err.contains(QStringLiteral("υπάρχει"))) << err.toStdString();
    EXPECT_NE(Run({QStringLiteral("compose"), QStringLiteral("--class"), QStringLiteral("Ανύπαρκτη"),
                   QStringLiteral("--print-sheet")},
                  &out, &err),
              0);
}

// A school-year folder that lost one of its tables: every command that needs
// the table names it in Greek and writes nothing.
TEST_F(ComposeCli, AYearFolderMissingATableNamesItAndWritesNothing) {
    for (const char* table : {"SUBJECT.DB", "CLASS.DB", "GRADE.DB", "STUDENT.DB"}) {
        const QString year = data + QStringLiteral("/MV202526.SYR");
        const QString path = year + QLatin1Char('/') + QLatin1String(table);
        const QString aside = dir.Path(QStringLiteral("aside.DB"));
        ASSERT_TRUE(QFile::rename(path, aside)) << table;
        QString out, err;
        EXPECT_NE(Run({QStringLiteral("compose"), QStringLiteral("--class"), QStringLiteral("Α Γυμν."),
                       QStringLiteral("--subject"), QStringLiteral("Μαθηματικά"), QStringLiteral("--period"),
                       QStringLiteral("1"), QStringLiteral("--save"), QStringLiteral("Α γυμν")},
                      &out, &err),
                  0)
            << table;
        EXPECT_TRUE(err.contains(QLatin1String(table)) && err.contains(QStringLiteral("δεν υπάρχει")))
            << table << ": " << err.toStdString();
        EXPECT_FALSE(QFile::exists(prog + QStringLiteral("/Exports/Α γυμν.agd"))) << table;
        ASSERT_TRUE(QFile::rename(aside, path));
    }
}
