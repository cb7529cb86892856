#pragma once

#include <QList>
#include <QString>

namespace ekaldo {

class GradeSheet;
class TBaseReport;
class UiServices;

// The report title of a file name box's text: the text without its
// extension, the part from the last "." that stands after the last folder
// separator ("\", "/" or ":"); a name without such a dot stays whole.
QString ReportTitleOf(const QString& fileNameText);

// The column widths of a sheet grid as the sheet windows make it: the key
// column 32 pixels, the seven student columns 128, 96, 96, 64, 64, 64, 64,
// every subject column 28.
QList<int> DefaultSheetColumnWidths(int columns);

// The report settings table printing needs: centimetres, half-centimetre
// margins until the job sets its own, the printer's own paper and
// orientation until then, line height by the font, the job's name.
void SetUpTableReport(TBaseReport& report);

// A sheet laid out as a boxed table on landscape pages (unless the report's
// orientation was set otherwise before the job): a page header, then
// the table, a number column in place of the row keys, the columns in groups
// as wide as a page, each group numbered and with its own page numbers; the
// groups after the first repeat the student's surname and name, so that each
// page can be read alone. All lengths in centimetres.
class TablePrintJob {
public:
    // reportTitle and schoolYear head every page. columnWidthsPixels: the
    // sheet grid's column widths on screen, by grid column; a column without
    // a width prints 1.9 cm wide.
    TablePrintJob(const QString& reportTitle, const QString& schoolYear, UiServices& ui,
                  const GradeSheet& sheet, const QList<int>& columnWidthsPixels);

    // Sets the report's OnBeforePrint, OnPrintHeader and OnPrint to this job
    // and every other event unset.
    void Attach(TBaseReport& report);

    void ReportBeforePrint(TBaseReport& report);
    void ReportPrintHeader(TBaseReport& report);
    void ReportPrint(TBaseReport& report);

    // Width of column k (1-based; column k is grid column k - 1).
    double ColumnWidth(int k) const;

    double TableLeft = 0, TableTop = 0;
    double CharWidth = 0;
    double BoxWidth = 0, BoxHeight = 0;
    int FirstCol = 2, NextRow = 2;
    int PageNo = 1, PartNo = 1;

    static constexpr double NumberWidth = 1.0;
    static constexpr double HeaderHeight = 4.0;
    static constexpr double RowHeight = 0.35;

private:
    enum class Align { Left, Right, Centre };
    void Cell(TBaseReport& report, double x, double y, const QString& text, Align align);
    void CellAt(TBaseReport& report, double x, double y, double textX, double baseline, const QString& text);
    void Line(TBaseReport& report, double x1, double y1, double x2, double y2);
    // Draws the header row of the group from FirstCol; returns the last column drawn.
    int HeaderRow(TBaseReport& report);
    void HeaderCell(TBaseReport& report, int k, double x, double y);
    void DataRow(TBaseReport& report, int r, double y, int lastCol);
    // The surname and name columns a group after the first repeats before its own.
    QList<int> RepeatedColumns(const TBaseReport& report) const;

    QString m_reportTitle, m_schoolYear;
    UiServices& m_ui;
    const GradeSheet& m_sheet;
    QList<int> m_widths;
};

} // namespace ekaldo
