// The road of one grade sheet, walked with ekaldo-cli alone on the demo school:
// compose, save, send, fill in as a teacher would, receive, post,
// compose again and find the grades, print to PDF, and undo the posting.
#include "base/CodePage1253.h"
#include "core/exchange/GradeDataFile.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

struct Journey : ::testing::Test {
    TempFolder dir;
    QString prog, data, out, err;
    void SetUp() override {
        prog = dir.Path(QStringLiteral("office"));
        data = dir.Path(QStringLiteral("data"));
        QDir().mkpath(prog);
        QDir().mkpath(dir.Path(QStringLiteral("usb")));
        schooldb::WriteDemoSchool(data + QStringLiteral("/MV202526.SYR"));
    }
    // Under a Greek locale, as the office runs the tool.
    int Run(const QStringList& args) {
        const ProcessRun run =
            RunProgram(QStringLiteral(EKALDO_CLI_PATH),
                       args + QStringList{QStringLiteral("--program-folder"), prog,
                                          QStringLiteral("--settings"), dir.Path(QStringLiteral("Z.INI"))},
                       QStringLiteral("el_GR.UTF-8"));
        out = run.out;
        err = run.err;
        return run.exitCode;
    }
    QStringList Year() {
        return {QStringLiteral("--db-path"), data, QStringLiteral("--year"), QStringLiteral("2025-2026")};
    }
};

} // namespace

TEST_F(Journey, OneSheetFromCompositionToPostingAndBack) {
    const QStringList selection = {
        QStringLiteral("--class"),   QStringLiteral("Α Γυμν."),   QStringLiteral("--class"),
        QStringLiteral("Β Γυμν."),   QStringLiteral("--subject"), QStringLiteral("Μαθηματικά"),
        QStringLiteral("--subject"), QStringLiteral("Έκθεση"),    QStringLiteral("--subject"),
        QStringLiteral("Αρχαία"),    QStringLiteral("--period"),  QStringLiteral("4")};
    ASSERT_EQ(Run(QStringList{QStringLiteral("compose")} + selection + Year() +
                  QStringList{QStringLiteral("--save"), QStringLiteral("Γυμνάσιο")}),
              0)
        << err.toStdString();
    ASSERT_EQ(Run({QStringLiteral("send"), QStringLiteral("Γυμνάσιο.agd"), dir.Path(QStringLiteral("usb"))}),
              0)
        << err.toStdString();

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
    int filled = 0;
    QStringList students, ids;
    const QStringList values = {QStringLiteral("15,5"), QStringLiteral("ΑΠ"), QStringLiteral("25"),
                                QStringLiteral("καλός")};
    for (int i = data + 1; i < lines.size() && filled < values.size(); ++i) {
        QStringList cells = CodePage1253::Decode(lines[i]).chopped(1).split(QLatin1Char('\t'));
        if (cells.size() <= maths || cells[maths] == QStringLiteral("-2") ||
            cells[maths] == QStringLiteral("-1"))
            continue;
        cells[maths] = values[filled++];
        students << cells[1];
        ids << cells[0].section(QLatin1Char(';'), 0, 0);
        lines[i] = CodePage1253::Encode(cells.join(QLatin1Char('\t'))) + "\r";
    }
    ASSERT_EQ(filled, 4);
    WriteBytes(sent, lines.join('\n'));

    ASSERT_EQ(Run({QStringLiteral("receive"), sent}), 0) << err.toStdString();
    const QString received = prog + QStringLiteral("/Imports/Γυμνάσιο.agd");

    // The two errors are not in the database: the run posts the rest and says it is not a success.
    ASSERT_EQ(Run(QStringList{QStringLiteral("post"), QStringLiteral("Γυμνάσιο.agd"),
                              QStringLiteral("--period"), QStringLiteral("4"), QStringLiteral("--yes")} +
                  Year()),
              1)
        << err.toStdString() << out.toStdString();
    EXPECT_FALSE(ReadGradeHeader(received).Posted.isEmpty());

    // A new composition shows the posted grade; the refused ones are not there.
    ASSERT_EQ(Run(QStringList{QStringLiteral("compose")} + selection + Year() +
                  QStringList{QStringLiteral("--print-sheet")}),
              0);
    const QStringList sheet = out.split(QLatin1Char('\n'));
    // Rows are found by the student's identifier, the first part of the row key.
    auto gradeOf = [](const QStringList& rows, const QString& id, int column) {
        for (const QString& line : rows) {
            const QStringList cells = line.split(QLatin1Char('\t'));
            if (cells.value(0).section(QLatin1Char(';'), 0, 0) == id)
                return cells.value(column);
        }
        return QStringLiteral("<none>");
    };
    EXPECT_EQ(gradeOf(sheet, ids[0], maths), QStringLiteral("15,5"));
    EXPECT_EQ(gradeOf(sheet, ids[2], maths), QString()) << "out of range, never stored";

    // Printed to PDF: the title and a student's name are in it.
    const QString pdf = dir.Path(QStringLiteral("Γυμνάσιο.pdf"));
    ASSERT_EQ(Run({QStringLiteral("print"), QStringLiteral("Γυμνάσιο.agd"), QStringLiteral("--pdf"), pdf}), 0)
        << err.toStdString();
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (!pdftotext.isEmpty()) {
        QProcess text;
        text.start(pdftotext, {pdf, QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished(60000));
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(printed.contains(QStringLiteral("Γυμνάσιο"))) << printed.left(400).toStdString();
        EXPECT_TRUE(printed.contains(students[0]));
    }

    // Undone: the grade is gone again.
    ASSERT_EQ(Run(QStringList{QStringLiteral("undo-post"), QStringLiteral("Γυμνάσιο.agd"),
                              QStringLiteral("--yes")} +
                  Year()),
              0)
        << err.toStdString();
    ASSERT_EQ(Run(QStringList{QStringLiteral("compose")} + selection + Year() +
                  QStringList{QStringLiteral("--print-sheet")}),
              0);
    EXPECT_EQ(gradeOf(out.split(QLatin1Char('\n')), ids[0], maths), QString());
}
