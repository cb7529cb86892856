// One grade sheet through ekaldo-cli alone on the demo school: compose, save, send, fill
// in as a teacher would, receive, post, compose again and find the grades, print to PDF.
#include "base/CodePage1253.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "support/TestSupport.h"

#include <QDir>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

struct Journey : ::testing::Test {
    TempFolder dir;
    QString prog = dir.Path("office"), data = dir.Path("data"), out, err;
    void SetUp() override {
        QDir().mkpath(prog);
        QDir().mkpath(dir.Path(QStringLiteral("usb")));
        schooldb::WriteDemoSchool(data + QStringLiteral("/MV202526.SYR"));
    }
    // Words split at '|', "@year" for the demo school's year and "@" for the
    // test's folder; run under a Greek locale, as the office runs the tool.
    int Run(const QString& line) {
        QStringList args{"--program-folder", prog, "--settings", dir.Path("Z.INI")};
        for (const QString& word : line.split(QLatin1Char('|')))
            args << (word == QStringLiteral("@year")
                         ? QStringList{"--db-path", data, "--year", "2025-2026"}
                         : QStringList{QString(word).replace(QLatin1Char('@'), dir.Path())});
        const ProcessRun run =
            RunProgram(QStringLiteral(EKALDO_CLI_PATH), args, QStringLiteral("el_GR.UTF-8"));
        out = run.out;
        err = run.err;
        return run.exitCode;
    }
};

} // namespace

TEST_F(Journey, OneSheetFromCompositionToPostingAndBack) {
    const QString compose = QStringLiteral("compose|--class|Α Γυμν.|--class|Β Γυμν.|--subject|Μαθηματικά|"
                                           "--subject|Έκθεση|--subject|Αρχαία|--period|4|@year|");
    ASSERT_EQ(Run(compose + QStringLiteral("--save|Γυμνάσιο")), 0) << err.toStdString();
    ASSERT_EQ(Run(QStringLiteral("send|Γυμνάσιο.agd|@/usb")), 0) << err.toStdString();
    // The teacher fills in the fourth grade of the first three students: a
    // grade with a decimal comma, a marker, one out of range and one that is
    // no grade at all.
    const QString sent = dir.Path(QStringLiteral("usb/Γυμνάσιο.agd"));
    QList<QByteArray> lines = ReadBytes(sent).split('\n');
    const int data = static_cast<int>(lines.indexOf("[Data]\r")) + 1;
    ASSERT_GT(data, 0);
    const QStringList titles = CodePage1253::Decode(lines[data]).trimmed().split(QLatin1Char('\t'));
    const int maths = static_cast<int>(titles.indexOf(QStringLiteral("Μαθηματικά")));
    ASSERT_GE(maths, 8);
    QStringList ids;
    const QStringList values = {"15,5", "ΑΠ", "25", "καλός"};
    for (int i = data + 1; i < lines.size() && ids.size() < values.size(); ++i) {
        QStringList cells = CodePage1253::Decode(lines[i]).chopped(1).split(QLatin1Char('\t'));
        if (cells.size() <= maths || cells[maths] == QStringLiteral("-2") ||
            cells[maths] == QStringLiteral("-1"))
            continue;
        cells[maths] = values[ids.size()];
        ids << cells[0].section(QLatin1Char(';'), 0, 0);
        lines[i] = CodePage1253::Encode(cells.join(QLatin1Char('\t'))) + "\r";
    }
    ASSERT_EQ(ids.size(), 4);
    WriteBytes(sent, lines.join('\n'));

    ASSERT_EQ(Run(QStringLiteral("receive|") + sent), 0) << err.toStdString();
    // The two errors are not in the database: the run posts the rest and says it is not a success.
    ASSERT_EQ(Run(QStringLiteral("post|Γυμνάσιο.agd|--period|4|--yes|@year")), 1)
        << err.toStdString() << out.toStdString();
    // A new composition shows the posted grade; the refused ones are not there.
    // Rows are found by the student's identifier, the first part of the row key.
    const auto gradeOf = [&](const QString& id) {
        for (const QString& line : out.split(QLatin1Char('\n'))) {
            const QStringList cells = line.split(QLatin1Char('\t'));
            if (cells.value(0).section(QLatin1Char(';'), 0, 0) == id)
                return cells.value(maths);
        }
        return QStringLiteral("<none>");
    };
    ASSERT_EQ(Run(compose + QStringLiteral("--print-sheet")), 0);
    EXPECT_EQ(gradeOf(ids[0]), QStringLiteral("15,5"));
    EXPECT_EQ(gradeOf(ids[2]), QString()) << "out of range, never stored";
    // Printed to PDF (what the pages hold is the printing tests' concern).
    const QString pdf = dir.Path(QStringLiteral("Γυμνάσιο.pdf"));
    ASSERT_EQ(Run(QStringLiteral("print|Γυμνάσιο.agd|--pdf|") + pdf), 0) << err.toStdString();
    EXPECT_TRUE(ReadBytes(pdf).startsWith("%PDF"));
}
