#include "gui/widgets/TSheetWindow.h"

#include "base/UiServices.h"
#include "core/compose/ColumnSettings.h"
#include "core/exchange/GradeDataFile.h"
#include "core/shell/AppState.h"
#include "gui/TDatModImages.h"
#include "gui/review/SheetPrinting.h"
#include "gui/shell/WindowPlacer.h"
#include "gui/widgets/ProgressBarSink.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace ekaldo {
namespace {

constexpr int kFixedColumns = 8;
constexpr int kSubjectColumnWidth = 36;

} // namespace

TSheetWindow::TSheetWindow(AppState& state, UiServices& ui, SheetGridStyle style, WindowPlacement& placement,
                           int helpContext, int keyColumnWidth, QWidget* parent)
    : SheetDialog(parent), m_state(state), m_ui(ui), m_placement(placement), m_helpContext(helpContext),
      m_keyColumnWidth(keyColumnWidth) {
    setWindowIcon(TDatModImages::AppIcon());
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);

    auto* layout = m_layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);

    m_toolBar = new QToolBar;
    layout->addWidget(m_toolBar);
    AddButton("tbtnHelp", ToolImage::Help, QStringLiteral("Βοήθεια"));

    m_top = new QVBoxLayout;
    m_top->setSpacing(2);
    auto* nameLabel = new QLabel(QStringLiteral("Ονομασία Αρχείου"));
    m_fileName = new QLineEdit;
    m_fileName->setObjectName(QStringLiteral("edtExpoFileName"));
    m_fileName->setReadOnly(true);
    m_top->addWidget(nameLabel);
    m_top->addWidget(m_fileName);
    layout->addLayout(m_top);

    m_grid = new TSheetGrid(style);
    m_grid->SetSheet(m_sheet);
    m_grid->SetDefaultColumnWidth(kSubjectColumnWidth);
    // Whose grade a cell is stays in view however far the subjects scroll.
    m_grid->SetFrozenColumns(kFixedColumns);
    layout->addWidget(m_grid, 1);

    auto* bottom = new QHBoxLayout;
    m_count = new QLabel;
    m_count->setObjectName(QStringLiteral("pnlStudentCnt"));
    m_count->setMinimumWidth(210);
    m_count->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setFixedWidth(210);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_progress);
    layout->addLayout(bottom);

    m_printMenu = new QMenu(this);
    m_printMenu->setObjectName(QStringLiteral("PopupMenuPrint"));
    m_printMenu->addAction(QStringLiteral("Εκτύπωση"), this, [this] { PrintClick(); });
    m_printMenu->addSeparator();
    m_printMenu->addAction(QStringLiteral("Εκτυπωτής"), this, [this] { PrinterSetupClick(); });

    WindowPlacer::Restore(*this, m_placement);
    m_fileName->setText(m_state.CurrentFileName);
    m_grid->SetColumnWidth(0, m_keyColumnWidth);

    connect(Button(QStringLiteral("tbtnHelp")), &QToolButton::clicked, this, &TSheetWindow::tbtnHelpClick);
}

QToolButton* TSheetWindow::AddButton(const char* name, ToolImage image, const QString& hint) {
    return m_tools.Add(m_toolBar, name, image, hint);
}

void TSheetWindow::AddBelowGrid(QWidget* widget) {
    m_layout->insertWidget(m_layout->indexOf(m_grid) + 1, widget);
}

QToolButton* TSheetWindow::Button(const QString& name) const {
    return m_tools.Button(name);
}

bool TSheetWindow::LoadSheet() {
    m_sheet.SetSize(2, kFixedColumns);
    m_sheet.ClearCells();
    m_sheet.SetCell(0, 0, u"α/α");
    ProgressBarSink progress(*m_progress);
    const bool read = ReadGradeDataRows(m_state.CurrentFilePath, m_ui, m_sheet, &progress);
    // A file without rows or subject columns still gives the fixed columns and a student row.
    if (m_sheet.ColCount() < kFixedColumns)
        m_sheet.SetColCount(kFixedColumns);
    if (m_sheet.RowCount() < 2)
        m_sheet.SetRowCount(2);
    m_grid->SheetReset();
    m_grid->SetColumnWidth(0, m_keyColumnWidth);
    for (int column = 1; column < kFixedColumns; ++column)
        m_grid->SetColumnWidth(column, ColumnWidthFor(m_sheet.Cell(0, column)));
    for (int column = kFixedColumns; column < m_sheet.ColCount(); ++column)
        m_grid->SetColumnWidth(column, kSubjectColumnWidth);
    m_count->setText(CountText());
    m_progress->setValue(0);
    return read;
}

QString TSheetWindow::CountText() const {
    return QStringLiteral("Σχ.Έτος: ") + m_state.GradeFileHeader.SchoolYear + QStringLiteral(" - Μαθητές: ") +
           QString::number(m_sheet.RowCount() - 1);
}

void TSheetWindow::tbtnHelpClick() {
    m_ui.ShowHelp(m_helpContext);
}

void TSheetWindow::tbtnPrintTableClick() {
    QToolButton* button = Button(QStringLiteral("tbtnPrintTable"));
    m_printMenu->popup(button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos());
}

void TSheetWindow::PrintClick() {
    QList<int> widths;
    for (int column = 0; column < m_sheet.ColCount(); ++column)
        widths.append(m_grid->ColumnWidth(column));
    // Paper shows the values alone: the states the posting window appends
    // after "|" are for its grid.
    GradeSheet values = m_sheet;
    for (int row = 0; m_grid->Style() == SheetGridStyle::Posting && row < values.RowCount(); ++row)
        for (int column = 0; column < values.ColCount(); ++column) {
            const QStringView cell = values.CellView(row, column);
            const qsizetype bar = cell.indexOf(QLatin1Char('|'));
            if (bar >= 0)
                values.SetCell(row, column, cell.left(bar).toString());
        }
    // The header read when the window opened is the header of its sheet.
    PrintSheet(m_state, m_ui, values, m_fileName->text(), m_state.GradeFileHeader.SchoolYear, widths, this);
}

void TSheetWindow::PrinterSetupClick() {
    SetUpPrinter(m_state, m_ui, this);
}

void TSheetWindow::done(int result) {
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        m_placement = WindowPlacer::Save(*this);
    }
    QDialog::done(result);
}

} // namespace ekaldo
