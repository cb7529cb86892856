#include "report/TablePrinting.h"

#include "base/UiServices.h"
#include "core/exchange/GradeSheet.h"
#include "report/ReportEngine.h"

#include <QLocale>

namespace ekaldo {
namespace {

const QString TableFont = QStringLiteral("Arial");

} // namespace

QString ReportTitleOf(const QString& fileNameText) {
    const qsizetype dot = fileNameText.lastIndexOf(QLatin1Char('.'));
    const qsizetype separator =
        std::max({fileNameText.lastIndexOf(QLatin1Char('\\')), fileNameText.lastIndexOf(QLatin1Char('/')),
                  fileNameText.lastIndexOf(QLatin1Char(':'))});
    return dot > separator ? fileNameText.left(dot) : fileNameText;
}

QList<int> DefaultSheetColumnWidths(int columns) {
    static const int student[] = {32, 128, 96, 96, 64, 64, 64, 64};
    QList<int> widths;
    for (int c = 0; c < columns; ++c)
        widths.append(c < 8 ? student[c] : 28);
    return widths;
}

void SetUpTableReport(TBaseReport& report) {
    report.SetUnits(unCM);
    report.SetUnitsFactor(2.54);
    report.SetMarginLeft(0.5);
    report.SetMarginTop(0.5);
    report.SetMarginRight(0.5);
    report.SetMarginBottom(0.5);
    report.LineHeightMethod = lhmFont;
    report.SetOrientation(poDefault);
    report.SetPaper(QSizeF());
    report.ScaleX = 100;
    report.ScaleY = 100;
    report.Title = QStringLiteral("Μόρβεν-Εκθέσεις");
}

TablePrintJob::TablePrintJob(const QString& reportTitle, const QString& schoolYear, UiServices& ui,
                             const GradeSheet& sheet, const QList<int>& columnWidthsPixels)
    : m_reportTitle(reportTitle), m_schoolYear(schoolYear), m_ui(ui), m_sheet(sheet),
      m_widths(columnWidthsPixels) {}

void TablePrintJob::Attach(TBaseReport& report) {
    report.OnBeforePrint = [this](TBaseReport& r) { ReportBeforePrint(r); };
    report.OnPrintHeader = [this](TBaseReport& r) { ReportPrintHeader(r); };
    report.OnPrint = [this](TBaseReport& r) { ReportPrint(r); };
    report.OnPrintPage = nullptr;
    report.OnAfterPrint = nullptr;
    report.OnNewPage = nullptr;
    report.OnPrintFooter = nullptr;
}

double TablePrintJob::ColumnWidth(int k) const {
    const int col = k - 1;
    if (col < 0 || col >= m_widths.size() || m_widths[col] <= 0)
        return 1.9;
    return m_widths[col] * 2.54 / 96.0;
}

void TablePrintJob::ReportBeforePrint(TBaseReport& report) {
    // A sheet is wide: landscape unless the user chose otherwise.
    if (report.Orientation() == poDefault)
        report.SetOrientation(poLandScape);
    report.SetMarginTop(1.0);
    report.SetMarginBottom(1.6);
    report.SetMarginLeft(1.0);
    report.SetMarginRight(1.6);
    TableLeft = report.AreaLeft();
    TableTop = report.AreaTop() + 1.0;
    PageNo = 1;
    PartNo = 1;
}

void TablePrintJob::CellAt(TBaseReport& report, double x, double y, double textX, double baseline,
                           const QString& text) {
    const QRect clip = report.MakeDeviceRect(x + 0.05, y + 0.02, x + BoxWidth - 0.05, y + BoxHeight - 0.02);
    report.DrawTextClipped(clip, textX, baseline, text);
}

void TablePrintJob::Cell(TBaseReport& report, double x, double y, const QString& text, Align align) {
    if (text.isEmpty())
        return;
    double textX = x + 0.1;
    if (align == Align::Right)
        textX = x + BoxWidth - report.MeasureText(text) - 0.1;
    else if (align == Align::Centre)
        textX = x + (BoxWidth - report.MeasureText(text)) / 2;
    CellAt(report, x, y, textX, y + BoxHeight - 0.07, text);
}

void TablePrintJob::Line(TBaseReport& report, double x1, double y1, double x2, double y2) {
    report.MoveTo(x1, y1);
    report.LineTo(x2, y2);
}

void TablePrintJob::ReportPrintHeader(TBaseReport& report) {
    report.ResetToTop();
    report.SelectFont(TableFont, 10);
    report.SelectPen(Qt::black, Qt::SolidLine, 1, PenMode::Copy);
    report.SelectBrush(Qt::lightGray, Qt::NoBrush);
    CharWidth = report.MeasureText(QStringLiteral("W"));
    BoxHeight = 0.33;
    report.PrintLine(QString());
    report.SelectFont(TableFont, 8);

    const double row1 = report.AreaTop();
    const double row2 = report.AreaTop() + 0.33;
    const double right = report.AreaRight();
    report.SetBold(false);
    BoxWidth = 1.0;
    Cell(report, right - 3.0, row1, QStringLiteral("Ημ/νία"), Align::Left);
    Cell(report, right - 3.0, row2, QStringLiteral("Σελίδα"), Align::Left);
    BoxWidth = 1.8;
    Cell(report, right - 1.8, row1,
         QStringLiteral(": ") + QLocale().toString(m_ui.Now().date(), QLocale::ShortFormat), Align::Left);
    Cell(report, right - 1.8, row2,
         QStringLiteral(": ") + QString::number(PageNo) + QStringLiteral(" (") + QString::number(PartNo) +
             QLatin1Char(')'),
         Align::Left);
    report.SetBold(true);
    BoxWidth = 3.0;
    Cell(report, report.AreaLeft(), row2, QStringLiteral("Σχ.Έτος: ") + m_schoolYear, Align::Centre);
    BoxWidth = right - report.AreaLeft();
    Cell(report, report.AreaLeft(), row2,
         QStringLiteral("ΚΑΤΑΣΤΑΣΗ ΒΑΘΜΟΛΟΓΙΑΣ") + QStringLiteral(" : ") + m_reportTitle, Align::Centre);
    report.SetBold(false);
}

int TablePrintJob::HeaderRow(TBaseReport& report) {
    double x = TableLeft;
    const double y = TableTop;
    BoxHeight = HeaderHeight;
    BoxWidth = NumberWidth;
    report.SetBold(true);
    Cell(report, x, y, QStringLiteral("α/α"), Align::Right);
    Line(report, x, y, x, y + BoxHeight);
    Line(report, x, y, x + BoxWidth, y);
    Line(report, x, y + BoxHeight, x + BoxWidth, y + BoxHeight);
    Line(report, x + BoxWidth, y, x + BoxWidth, y + BoxHeight);
    x += BoxWidth;
    for (int k : RepeatedColumns(report)) {
        BoxWidth = ColumnWidth(k);
        HeaderCell(report, k, x, y);
        x += BoxWidth;
    }
    int last = FirstCol - 1;
    for (int k = FirstCol; k <= m_sheet.ColCount(); ++k) {
        BoxWidth = ColumnWidth(k);
        // A column wider than the whole area still prints, alone and cut at
        // the area's edge: the group must take at least one column or the
        // table would never end.
        if (x + BoxWidth > report.AreaRight()) {
            if (k > FirstCol)
                break;
            BoxWidth = report.AreaRight() - x;
        }
        HeaderCell(report, k, x, y);
        x += BoxWidth;
        last = k;
    }
    report.SetBold(false);
    return last;
}

void TablePrintJob::HeaderCell(TBaseReport& report, int k, double x, double y) {
    const QString title = m_sheet.Cell(0, k - 1);
    if (!title.isEmpty()) {
        if (k > 8) {
            report.SetTextAngle(90);
            CellAt(report, x, y, x + CharWidth + 0.1, y + BoxHeight - 0.1, title);
            report.SetTextAngle(0);
        } else {
            CellAt(report, x, y, x + 0.1, y + BoxHeight - 0.1, title);
        }
    }
    Line(report, x, y, x + BoxWidth, y);
    Line(report, x, y + BoxHeight, x + BoxWidth, y + BoxHeight);
    Line(report, x + BoxWidth, y, x + BoxWidth, y + BoxHeight);
}

QList<int> TablePrintJob::RepeatedColumns(const TBaseReport& report) const {
    QList<int> columns;
    if (FirstCol <= 2)
        return columns;
    // By title, wherever the column order put them among the student columns,
    // and only while they leave room for the group's own first column.
    double x = TableLeft + NumberWidth + ColumnWidth(FirstCol);
    for (const QString& key : {QStringLiteral("ΕΠΩΝΥΜΟ"), QStringLiteral("ΟΝΟΜΑ")}) {
        for (int k = 2; k < std::min(FirstCol, 9); ++k) {
            if (m_sheet.Cell(0, k - 1) != key)
                continue;
            x += ColumnWidth(k);
            if (x > report.AreaRight())
                return columns;
            columns << k;
            break;
        }
    }
    return columns;
}

void TablePrintJob::DataRow(TBaseReport& report, int r, double y, int lastCol) {
    double x = TableLeft;
    BoxHeight = RowHeight;
    Line(report, x, y, x, y + BoxHeight);
    BoxWidth = NumberWidth;
    report.SetBold(true);
    Cell(report, x, y, QString::number(r - 1), Align::Right);
    report.SetBold(false);
    Line(report, x, y + BoxHeight, x + BoxWidth, y + BoxHeight);
    Line(report, x + BoxWidth, y, x + BoxWidth, y + BoxHeight);
    x += BoxWidth;
    QList<int> columns = RepeatedColumns(report);
    for (int k = FirstCol; k <= lastCol; ++k)
        columns << k;
    for (int k : columns) {
        BoxWidth = std::min(ColumnWidth(k), report.AreaRight() - x);
        const QStringView cell = m_sheet.CellView(r - 1, k - 1);
        if (cell == u"-2" || cell == u"-1")
            Cell(report, x, y, QStringLiteral("x"), Align::Left);
        else
            Cell(report, x, y, cell.toString(), Align::Left);
        Line(report, x, y + BoxHeight, x + BoxWidth, y + BoxHeight);
        Line(report, x + BoxWidth, y, x + BoxWidth, y + BoxHeight);
        x += BoxWidth;
    }
}

void TablePrintJob::ReportPrint(TBaseReport& report) {
    report.ResetToTop();
    report.SelectFont(TableFont, 10);
    report.SelectPen(Qt::black, Qt::SolidLine, 1, PenMode::Copy);
    report.SelectBrush(Qt::lightGray, Qt::NoBrush);
    CharWidth = report.MeasureText(QStringLiteral("W"));
    report.PrintLine(QString());
    report.SelectFont(TableFont, 8);
    PartNo = 1;
    FirstCol = 2;
    const int rows = m_sheet.RowCount();
    while (true) {
        NextRow = 2;
        int lastCol = FirstCol - 1;
        while (true) {
            lastCol = HeaderRow(report);
            double y = TableTop + HeaderHeight;
            bool pageFull = false;
            for (int r = NextRow; r <= rows; ++r) {
                // A page takes at least one row, however short its area.
                if (y + RowHeight > report.AreaBottom() && r > NextRow) {
                    ++PageNo;
                    NextRow = r;
                    report.StartNewPage();
                    pageFull = true;
                    break;
                }
                DataRow(report, r, y, lastCol);
                y += RowHeight;
            }
            if (!pageFull)
                break;
        }
        if (lastCol >= m_sheet.ColCount())
            return;
        FirstCol = lastCol + 1;
        PageNo = 1;
        ++PartNo;
        report.StartNewPage();
    }
}

} // namespace ekaldo
