#include "gui/review/TFormPostTable.h"

#include "base/FileErrors.h"
#include "base/RegionalFormats.h"
#include "base/UiServices.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheetModel.h"
#include "core/shell/AppState.h"
#include "gui/TDatModImages.h"
#include "schooldb/GradeColumns.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace ekaldo {
namespace {

constexpr int kLeftAloneShown = 20;
// Lines of the error list; a sheet all in error would otherwise fill it with tens of thousands.
constexpr int kErrorsListed = 2000;
constexpr int kRowRole = Qt::UserRole;
constexpr int kColumnRole = Qt::UserRole + 1;

QStringView StateOf(QStringView cell) {
    const qsizetype bar = cell.indexOf(QLatin1Char('|'));
    return bar < 0 ? QStringView() : cell.sliced(bar + 1);
}

// "Ωραίος Γιάννης" from the student columns the sheet has.
QString StudentOf(const GradeSheet& sheet, int row) {
    QString name;
    for (const QString& key : {QStringLiteral("ΕΠΩΝΥΜΟ"), QStringLiteral("ΟΝΟΜΑ")})
        for (int column = 1; column < 8 && column < sheet.ColCount(); ++column)
            if (sheet.CellView(0, column) == key && !sheet.CellView(row, column).isEmpty())
                name += (name.isEmpty() ? QString() : QStringLiteral(" ")) + sheet.Cell(row, column);
    return name;
}

} // namespace

TFormPostTable::TFormPostTable(AppState& state, UiServices& ui, QWidget* parent)
    : TSheetWindow(state, ui, SheetGridStyle::Posting, state.PostPlacement, 1110, 40, parent),
      m_posting(std::make_shared<GradePosting>(state, state.ImportsDir, ui, Program::kGradingScheme)) {
    setObjectName(QStringLiteral("FormPostTable"));
    m_posting->SetBackupRunsKept(state.BackupRunsKept);
    setWindowTitle(QStringLiteral("Καταχώρηση Βαθμολογίας"));
    AddButton("tbtnPrintTable", ToolImage::Print, QStringLiteral("Εκτύπωση"));
    connect(Button(QStringLiteral("tbtnPrintTable")), &QToolButton::clicked, this,
            [this] { tbtnPrintTableClick(); });

    auto* row = new QHBoxLayout;
    m_btnCheck = new QPushButton(QStringLiteral("Έλεγχος"));
    m_btnCheck->setObjectName(QStringLiteral("btnCheck"));
    auto* periodBox = new QVBoxLayout;
    periodBox->setSpacing(0);
    periodBox->addWidget(new QLabel(QStringLiteral("Βαθμολογική Περίοδος")));
    m_period = new QComboBox;
    m_period->setObjectName(QStringLiteral("PeriodCoBo"));
    m_period->setFixedWidth(133);
    m_period->addItems(GradeColumnCaptions(Program::kGradingScheme));
    m_period->setCurrentIndex(-1);
    periodBox->addWidget(m_period);
    m_btnPost = new QPushButton(QStringLiteral("Καταχώρηση"));
    m_btnPost->setObjectName(QStringLiteral("btnPost"));
    m_btnAbort = new QPushButton(QStringLiteral("Διακοπή"));
    m_btnAbort->setObjectName(QStringLiteral("btnAbort"));
    m_btnUndo = new QPushButton(QStringLiteral("Αναίρεση Καταχώρησης"));
    m_btnUndo->setObjectName(QStringLiteral("btnUndo"));
    row->addWidget(m_btnCheck, 0, Qt::AlignBottom);
    row->addLayout(periodBox);
    row->addWidget(m_btnPost, 0, Qt::AlignBottom);
    row->addWidget(m_btnAbort, 0, Qt::AlignBottom);
    row->addStretch(1);
    row->addWidget(m_btnUndo, 0, Qt::AlignBottom);
    TopLayout()->addLayout(row);

    m_errors = new QListWidget;
    m_errors->setObjectName(QStringLiteral("lstErrors"));
    m_errors->setMaximumHeight(110);
    m_errors->setToolTip(QStringLiteral("Enter ή διπλό κλικ: μετάβαση στο κελί"));
    m_errors->hide();
    AddBelowGrid(m_errors);
    const auto jump = [this](QListWidgetItem* item) {
        if (item)
            GoToListedCell(item->data(kRowRole).toInt(), item->data(kColumnRole).toInt());
    };
    connect(m_errors, &QListWidget::itemActivated, this, jump);
    connect(m_errors, &QListWidget::itemClicked, this, jump);

    connect(m_btnCheck, &QPushButton::clicked, this, &TFormPostTable::btnCheckClick);
    connect(m_btnPost, &QPushButton::clicked, this, &TFormPostTable::btnPostClick);
    connect(m_btnAbort, &QPushButton::clicked, this, &TFormPostTable::btnAbortClick);
    connect(m_btnUndo, &QPushButton::clicked, this, &TFormPostTable::btnUndoClick);

    // The grid shares the posting, so that its marks never outlive what they ask.
    m_grid->SetCellMarks(
        [posting = m_posting](int row, int column) { return posting->WouldChange(row, column); });
    m_grid->SheetModel()->SetToolTips([this](int row, int column) {
        return PostingCellToolTip(m_sheet.CellView(row, column), m_sheet.CellView(row, 0));
    });
    EndRun();
    try {
        m_posting->OpenTables();
    } catch (const EkaldoError& e) {
        // The window still shows the sheet; each run tries the tables again.
        m_ui.Error(e.Message());
    }
}

TFormPostTable::~TFormPostTable() = default;

void TFormPostTable::LoadPostingSheet() {
    m_fileRead = LoadSheet();
    EndRun();
}

int TFormPostTable::ChosenGradeColumn() const {
    return m_period->currentIndex() + 1;
}

void TFormPostTable::StartRun(const QString& operationName) {
    m_btnCheck->setEnabled(false);
    m_period->setEnabled(false);
    m_btnPost->setEnabled(false);
    m_btnUndo->setEnabled(false);
    m_btnAbort->setEnabled(true);
    m_operationName = operationName;
    m_aborted = false;
    m_running = true;
    m_postedRows = 0;
    m_rowBeforeRun = m_grid->CurrentSheetRow();
    m_scrollBeforeRun = m_grid->verticalScrollBar()->value();
    ProgressBar()->setRange(0, std::max(m_sheet.RowCount() - 1, 1));
    ProgressBar()->setValue(0);
}

void TFormPostTable::EndRun() {
    m_running = false;
    // A file that could not be read has nothing to check or post; it would
    // only be stamped, and a missing one created by the stamp.
    m_btnCheck->setEnabled(m_fileRead);
    m_period->setEnabled(m_fileRead);
    m_btnPost->setEnabled(m_fileRead && m_state.PostingRight());
    m_btnUndo->setEnabled(m_state.PostingRight());
    m_btnAbort->setEnabled(false);
    ProgressBar()->setValue(0);
    m_grid->viewport()->update();
    if (!m_operationName.isEmpty()) {
        FillErrorList();
        // The grid goes back where the user was, or to the first error.
        if (m_errors->count() > 0) {
            GoToListedCell(m_errors->item(0)->data(kRowRole).toInt(),
                           m_errors->item(0)->data(kColumnRole).toInt());
        } else if (m_rowBeforeRun > 0) {
            m_grid->SetCurrentSheetRow(m_rowBeforeRun);
            m_grid->verticalScrollBar()->setValue(m_scrollBeforeRun);
        }
    }
    if (m_closeRequested) {
        m_closeRequested = false;
        done(m_closeResult);
    }
}

void TFormPostTable::FillErrorList() {
    m_errors->clear();
    QStringList lines;
    QList<QPair<int, int>> cells;
    for (int row = 1; row < m_sheet.RowCount() && lines.size() < kErrorsListed; ++row) {
        const QStringView rowState = StateOf(m_sheet.CellView(row, 0));
        const QString student = StudentOf(m_sheet, row);
        const QString where =
            QStringLiteral("Γραμμή %1").arg(row) +
            (student.isEmpty() ? QString() : QStringLiteral(" (") + student + QLatin1Char(')'));
        if (rowState == PostingState::Err5 || rowState == PostingState::Err6) {
            lines << where + QStringLiteral(": ") + PostingStateReason(rowState);
            cells.append({row, 0});
            continue;
        }
        for (int column = TSheetGrid::kFirstSubjectColumn; column < m_sheet.ColCount(); ++column) {
            const QStringView cell = m_sheet.CellView(row, column);
            const QStringView state = StateOf(cell);
            if (state.isEmpty() || state == PostingState::Posted)
                continue;
            lines << where + QStringLiteral(", «") + m_sheet.Cell(0, column) + QStringLiteral("»: ") +
                         PostingCellToolTip(cell, m_sheet.CellView(row, 0));
            cells.append({row, column});
        }
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto* item = new QListWidgetItem(lines[i], m_errors);
        item->setData(kRowRole, cells[i].first);
        item->setData(kColumnRole, cells[i].second);
    }
    if (lines.size() >= kErrorsListed)
        new QListWidgetItem(QStringLiteral("…"), m_errors);
    m_errors->setVisible(m_errors->count() > 0);
}

void TFormPostTable::GoToListedCell(int sheetRow, int column) {
    if (sheetRow <= 0)
        return;
    m_grid->SetCurrentSheetRow(sheetRow);
    if (column >= TSheetGrid::kFirstSubjectColumn) {
        const QModelIndex index = m_grid->model()->index(sheetRow - 1, column);
        m_grid->setCurrentIndex(index);
        m_grid->scrollTo(index);
    }
}

void TFormPostTable::RowStarting(int sheetRow) {
    m_grid->SetCurrentSheetRow(sheetRow);
}

bool TFormPostTable::RowFinished(int sheetRow) {
    if (m_sheet.CellView(sheetRow, 0).endsWith(u"|Posted"))
        ++m_postedRows;
    m_grid->RowChanged(sheetRow);
    ProgressBar()->setValue(sheetRow);
    // Repaints, and a click on Abort or a close of the window, happen here.
    m_ui.ProcessEvents();
    return !m_aborted;
}

void TFormPostTable::ShowCount(bool withChanges) {
    QString text = CountText() + QStringLiteral(" - Λάθη: ") + QString::number(m_summary.errorCells);
    if (withChanges)
        text += QStringLiteral(" - Αλλαγές: ") + QString::number(m_summary.changedCells);
    if (m_summary.refusedStores > 0)
        text += QStringLiteral(" - Απορρίφθηκαν: ") + QString::number(m_summary.refusedStores);
    if (!m_summary.failures.empty())
        text += QStringLiteral(" - Δεν αποθηκεύτηκαν: ") + QString::number(m_summary.failures.size());
    pnlStudentCnt()->setText(text);
}

void TFormPostTable::btnCheckClick() {
    if (!m_fileRead || m_running)
        return;
    if (!SheetOfOpenSchoolYear(m_state.SchoolYearLabel, m_state.GradeFileHeader)) {
        m_ui.Error(OtherSchoolYearReason(m_state.CurrentFilePath));
        return;
    }
    StartRun(kCheckOperation);
    const int gradeColumn = m_period->currentIndex() >= 0 ? ChosenGradeColumn() : 0;
    try {
        m_summary = m_posting->CheckGrades(m_sheet, gradeColumn, this);
        ShowCount(gradeColumn > 0);
    } catch (const EkaldoError& e) {
        m_ui.Error(e.Message());
    }
    EndRun();
}

void TFormPostTable::btnPostClick() {
    if (!m_fileRead || m_running)
        return;
    if (m_period->currentIndex() < 0) {
        m_ui.Information(kNoPeriodMessage);
        return;
    }
    if (m_ui.ShowMessage(MessageIcon::Question, PostConfirmationText(m_period->currentText()),
                         MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    if (!SheetOfOpenSchoolYear(m_state.SchoolYearLabel, m_state.GradeFileHeader)) {
        m_ui.Error(OtherSchoolYearReason(m_state.CurrentFilePath));
        return;
    }
    StartRun(kPostOperation);
    bool ended = false;
    try {
        m_summary = m_posting->PostGrades(m_sheet, PostedFileOf(m_state), ChosenGradeColumn(), this);
        ShowCount(true);
        ended = true;
    } catch (const EkaldoError& e) {
        // A run that ends in an error does not stamp the file.
        m_ui.Error(e.Message());
    }
    // Stamped also when the user aborted: what was posted stays posted. A run
    // that stored nothing leaves the stamp as it was.
    if (ended && m_summary.storedRecords > 0) {
        const QString stamp = RegionalFormats::DateTimeText(m_ui.Now());
        try {
            WriteGradeFileHeaderKey(m_state.CurrentFilePath, QStringLiteral("Posted"), stamp);
            m_state.GradeFileHeader.Posted = stamp;
        } catch (const EkaldoError& e) {
            m_ui.Error(e.Message());
        }
    }
    QString abortText;
    if (ended && m_summary.aborted) {
        const int studentRows = m_sheet.RowCount() - 1;
        abortText = QStringLiteral("Η Καταχώρηση διακόπηκε.\nΓραμμές μαθητών που καταχωρήθηκαν: %1\n"
                                   "Γραμμές μαθητών που δεν καταχωρήθηκαν: %2")
                        .arg(m_postedRows)
                        .arg(studentRows - m_postedRows);
        pnlStudentCnt()->setText(
            pnlStudentCnt()->text() +
            QStringLiteral(" - Διακόπηκε: %1 από %2 γραμμές").arg(m_postedRows).arg(studentRows));
    }
    if (ended)
        Q_EMIT InBoxChanged();
    EndRun();
    if (!abortText.isEmpty())
        m_ui.ShowMessage(MessageIcon::Warning, abortText, MessageButtons::Ok);
    if (ended && !m_summary.failures.empty())
        m_ui.ShowMessage(MessageIcon::Error,
                         QStringLiteral("%1 βαθμοί δεν αποθηκεύτηκαν:\n").arg(m_summary.failures.size()) +
                             StoreFailureList(m_sheet, m_summary.failures, kLeftAloneShown) +
                             QStringLiteral("Οι υπόλοιποι καταχωρήθηκαν· δοκιμάστε ξανά την Καταχώρηση για "
                                            "αυτούς."),
                         MessageButtons::Ok);
}

void TFormPostTable::btnAbortClick() {
    if (!m_running)
        return;
    if (m_ui.ShowMessage(MessageIcon::Question, AbortQuestion(m_operationName), MessageButtons::YesNo) ==
        MessageAnswer::Yes)
        m_aborted = true;
}

void TFormPostTable::btnUndoClick() {
    if (m_running || !m_state.PostingRight())
        return;
    if (!SheetOfOpenSchoolYear(m_state.SchoolYearLabel, m_state.GradeFileHeader)) {
        m_ui.Error(OtherSchoolYearReason(m_state.CurrentFilePath));
        return;
    }
    UndoOutcome outcome;
    try {
        const std::optional<PostingJournal::Run> run = m_posting->LastPosting(PostedFileOf(m_state));
        if (!run) {
            m_ui.Information(QStringLiteral("Δεν υπάρχει Καταχώρηση του Αρχείου \"") +
                             m_state.CurrentFileName + QStringLiteral("\" για αναίρεση."));
            return;
        }
        if (m_ui.ShowMessage(MessageIcon::Question, UndoConfirmationText(*run), MessageButtons::YesNo) !=
            MessageAnswer::Yes)
            return;
        outcome = m_posting->UndoLastPosting(PostedFileOf(m_state));
        m_state.GradeFileHeader.Posted = outcome.posted;
    } catch (const EkaldoError& e) {
        m_ui.Error(e.Message());
        return;
    }
    // The rows' "Posted" stamps and the changed cells no longer hold.
    m_posting->ClearChanges();
    m_grid->viewport()->update();
    for (int row = 1; row < m_sheet.RowCount(); ++row) {
        const QStringView key = m_sheet.CellView(row, 0);
        if (key.endsWith(u"|Posted")) {
            m_sheet.SetCell(row, 0, key.left(key.size() - 7).toString());
            m_grid->RowChanged(row);
        }
    }
    Q_EMIT InBoxChanged();
    if (!outcome.found)
        return;
    if (outcome.Complete()) {
        m_ui.Information(QStringLiteral("Η Αναίρεση της Καταχώρησης ολοκληρώθηκε: ") +
                         QString::number(outcome.restored) + QStringLiteral(" τιμές επανήλθαν."));
        return;
    }
    QString text = QStringLiteral("Η Αναίρεση έγινε εν μέρει: ") + QString::number(outcome.restored) +
                   QStringLiteral(" τιμές επανήλθαν, ") + QString::number(outcome.leftAlone.size()) +
                   QStringLiteral(" έμειναν όπως είναι:");
    for (qsizetype i = 0; i < outcome.leftAlone.size() && i < kLeftAloneShown; ++i)
        text += QLatin1Char('\n') + outcome.leftAlone[i];
    if (outcome.leftAlone.size() > kLeftAloneShown)
        text += QStringLiteral("\n…");
    if (!outcome.posted.isEmpty())
        text += QStringLiteral("\nΤο Αρχείο μένει σημειωμένο ως καταχωρημένο (") + outcome.posted +
                QStringLiteral("), από προηγούμενη Καταχώρησή του.");
    m_ui.ShowMessage(MessageIcon::Warning, text, MessageButtons::Ok);
}

void TFormPostTable::done(int result) {
    if (m_running) {
        // The same question as Abort; "Όχι" lets the run go on and keeps the window.
        if (!m_aborted && m_ui.ShowMessage(MessageIcon::Question, AbortQuestion(m_operationName),
                                           MessageButtons::YesNo) != MessageAnswer::Yes)
            return;
        m_closeRequested = true;
        m_closeResult = result;
        m_aborted = true;
        return;
    }
    m_posting->CloseTables();
    TSheetWindow::done(result);
}

} // namespace ekaldo
