#include "gui/review/TFormPostTable.h"

#include "base/FileErrors.h"
#include "base/RegionalFormats.h"
#include "base/UiServices.h"
#include "core/exchange/GradeDataFile.h"
#include "core/shell/AppState.h"
#include "gui/TDatModImages.h"
#include "schooldb/GradeColumns.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace ekaldo {
namespace {

constexpr int kLeftAloneShown = 20;

} // namespace

TFormPostTable::TFormPostTable(AppState& state, UiServices& ui, QWidget* parent)
    : TSheetWindow(state, ui, SheetGridStyle::Posting, state.PostPlacement, 1110, 40, parent),
      m_posting(std::make_shared<GradePosting>(state, state.ImportsDir, ui, Program::kGradingScheme)) {
    setObjectName(QStringLiteral("FormPostTable"));
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

    connect(m_btnCheck, &QPushButton::clicked, this, &TFormPostTable::btnCheckClick);
    connect(m_btnPost, &QPushButton::clicked, this, &TFormPostTable::btnPostClick);
    connect(m_btnAbort, &QPushButton::clicked, this, &TFormPostTable::btnAbortClick);
    connect(m_btnUndo, &QPushButton::clicked, this, &TFormPostTable::btnUndoClick);

    // The grid shares the posting, so that its marks never outlive what they ask.
    m_grid->SetCellMarks(
        [posting = m_posting](int row, int column) { return posting->WouldChange(row, column); });
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
    if (m_closeRequested) {
        m_closeRequested = false;
        done(m_closeResult);
    }
}

void TFormPostTable::RowStarting(int sheetRow) {
    m_grid->SetCurrentSheetRow(sheetRow);
}

bool TFormPostTable::RowFinished(int sheetRow) {
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
    if (ended)
        Q_EMIT InBoxChanged();
    EndRun();
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
        // "Posted" follows the runs of the file still in force.
        WriteGradeFileHeaderKey(m_state.CurrentFilePath, QStringLiteral("Posted"), outcome.posted);
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
        m_closeRequested = true;
        m_closeResult = result;
        m_aborted = true;
        return;
    }
    m_posting->CloseTables();
    TSheetWindow::done(result);
}

} // namespace ekaldo
