// A sheet filled in a spreadsheet and received back checks and posts exactly
// as the same grades typed into the grade data file: same cell states, same
// summaries, the same GRADE.DB byte for byte.
#include "ReviewTestSupport.h"

#include "base/RegionalFormats.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeWorkbook.h"
#include "core/review/GradePosting.h"
#include "core/shell/DocumentFolders.h"
#include "core/shell/DocumentTransfer.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <zip.h>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

const QStringList kSubjects = {"Άλγεβρα", "Φυσική", "[κλάδος] Θετική"};

// The teacher's worksheet as a spreadsheet saves it, rows in another order:
// a grade typed as a number is a number cell, anything else a text cell.
QString TeacherWorksheet(const QList<QStringList>& rows) {
    QString xml =
        QStringLiteral("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                       "<sheetData>");
    const auto text = [](const QString& ref, const QString& value) {
        return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
            .arg(ref, value.toHtmlEscaped());
    };
    QStringList titles = TitlesLine(kSubjects).split(QLatin1Char('\t'));
    QList<QStringList> all{titles};
    all += rows;
    for (int r = 0; r < all.size(); ++r) {
        xml += QStringLiteral("<row r=\"%1\">").arg(r + 2);
        for (int c = 0; c < all[r].size(); ++c) {
            const QString ref = QChar(u'A' + c) + QString::number(r + 2);
            const QString& value = all[r][c];
            // As a Greek spreadsheet takes what is typed: "17,5" becomes the number 17.5.
            const auto number = r > 0 && c >= 8 ? RegionalFormats::ParseNumber(value) : std::nullopt;
            if (number)
                xml += QStringLiteral("<c r=\"%1\"><v>%2</v></c>").arg(ref, QString::number(*number));
            else if (!value.isEmpty())
                xml += text(ref, value);
        }
        xml += QStringLiteral("</row>");
    }
    return xml + QStringLiteral("</sheetData></worksheet>");
}

void ReplacePart(const QString& workbook, const char* part, const QByteArray& bytes) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(workbook).constData(), 0, &error);
    ASSERT_NE(zip, nullptr);
    const zip_int64_t index = zip_name_locate(zip, part, 0);
    ASSERT_GE(index, 0);
    zip_source_t* source = zip_source_buffer(zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    ASSERT_EQ(zip_file_replace(zip, zip_uint64_t(index), source, 0), 0);
    ASSERT_EQ(zip_close(zip), 0);
}

struct Outcome {
    GradeSheet checked, posted;
    ScanSummary check, post;
    QList<QByteArray> grades;
};

Outcome CheckAndPost(AppState& state, UiServices& ui, const QString& path, const QString& root) {
    Outcome out;
    state.CurrentFileName = QFileInfo(path).fileName();
    state.CurrentFilePath = path;
    ReadGradeFileHeader(state, path);
    GradeSheet sheet;
    EXPECT_TRUE(ReadGradeDataRows(path, ui, sheet, nullptr));
    out.checked = out.posted = sheet;
    GradePosting posting(state, state.ImportsDir, ui, GradingScheme::Tutoring);
    out.check = posting.CheckGrades(out.checked, 3);
    out.post = posting.PostGrades(out.posted, PostedFileOf(state), 3);
    out.grades = RecordBytes(QDir(SchoolFolder(root)).filePath(QStringLiteral("GRADE.DB")));
    return out;
}

} // namespace

TEST(WorkbookPosting, CheckAndPostOfAFilledWorkbookEqualThoseOfTheSameGradesTyped) {
    UseLocale(GreekLocale());
    TempFolder typedRoot, workbookRoot;
    AppState typed, received;
    PrepareState(typed, typedRoot.Path());
    PrepareState(received, workbookRoot.Path());
    ScriptedUiServices ui;
    ui.SetNow(QDateTime(QDate(2026, 6, 20), QTime(10, 30, 0)));

    // Sent empty; filled with a number, a decimal typed with a point (text to
    // a Greek spreadsheet), a marker, a grade out of range and the crosses.
    const QStringList sent = {TitlesLine(kSubjects), StudentLine("1;1;20", "Α", {"", "", ""}),
                              StudentLine("2;1;20", "Β", {"", "-1", "-2"})};
    const QList<QStringList> filled = {StudentLine("2;1;20", "Β", {"21", "-1", "-2"}).split('\t'),
                                       StudentLine("1;1;20", "Α", {"17,5", "12.5", "Α"}).split('\t')};
    QStringList typedLines = {sent[0], filled[1].join('\t'), filled[0].join('\t')};

    const QString typedPath = DocumentPath(typed, DocumentPage::InBox, QStringLiteral("Α1.agd"));
    WriteSheetFile(typedPath, typedLines);

    const QString outBox = DocumentPath(received, DocumentPage::OutBox, QStringLiteral("Α1.agd"));
    WriteSheetFile(outBox, sent);
    const QString workbook = QDir(workbookRoot.Path()).filePath(QStringLiteral("Α1.xlsx"));
    ui.ExpectMessage(MessageIcon::Information, FileMessage(workbook, QStringLiteral(" απεστάλη επιτυχώς!")));
    ASSERT_TRUE(SendGradeWorkbookTo(ui, outBox, workbook));
    ReplacePart(workbook, "xl/worksheets/sheet1.xml", TeacherWorksheet(filled).toUtf8());
    const QString inBox = DocumentPath(received, DocumentPage::InBox, QStringLiteral("Α1.agd"));
    ui.ExpectMessage(
          MessageIcon::Question,
          FileMessage(workbook, QStringLiteral(":\n")) +
              QStringLiteral("Γραμμές μαθητών: 2\nΣυμπληρωμένοι βαθμοί: 4\nΔεν λείπει καμία γραμμή.\n"
                             "Να γραφτεί ως \"") +
              inBox + QStringLiteral("\";"),
          MessageAnswer::Yes)
        .ExpectMessage(MessageIcon::Information, FileMessage(inBox, QStringLiteral(" ελήφθη επιτυχώς!")));
    ASSERT_TRUE(ReceiveGradeFileFrom(received, received, ui, workbook));

    const Outcome a = CheckAndPost(typed, ui, typedPath, typedRoot.Path());
    const Outcome b = CheckAndPost(received, ui, inBox, workbookRoot.Path());
    EXPECT_EQ(b.checked, a.checked);
    EXPECT_EQ(b.posted, a.posted);
    EXPECT_EQ(a.checked.Cell(1, 9), QStringLiteral("12.5|Err2")) << "the check sees what the teacher typed";
    EXPECT_EQ(a.checked.Cell(2, 8), QStringLiteral("21|Err3"));
    for (const auto& [x, y] : {std::pair{a.check, b.check}, std::pair{a.post, b.post}}) {
        EXPECT_EQ(y.rows, x.rows);
        EXPECT_EQ(y.errorCells, x.errorCells);
        EXPECT_EQ(y.errorRows, x.errorRows);
        EXPECT_EQ(y.storedRecords, x.storedRecords);
        EXPECT_EQ(y.changedCells, x.changedCells);
    }
    EXPECT_EQ(a.check.errorCells, 2);
    EXPECT_EQ(a.post.changedCells, 1) << "17,5 into GRD3 of Άλγεβρα";
    EXPECT_EQ(b.grades.size(), 10);
    EXPECT_EQ(b.grades, a.grades);
    EXPECT_EQ(StoredField(received, 1, 1, QStringLiteral("GRD3")), schooldb::FieldValue::Float(17.5));
}
