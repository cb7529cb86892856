#pragma once

#include "core/review/GradePosting.h"
#include "gui/widgets/TSheetWindow.h"

#include <memory>

class QComboBox;
class QListWidget;
class QPushButton;

namespace ekaldo {

// "Καταχώρηση Βαθμολογίας": a received sheet checked against its rows'
// ranges and its grades of one period posted into GRADE.DB, with the undo of
// the file's last posting run.
class TFormPostTable : public TSheetWindow, private ScanObserver {
    Q_OBJECT
public:
    explicit TFormPostTable(AppState& state, UiServices& ui, QWidget* parent = nullptr);
    ~TFormPostTable() override;

    void LoadPostingSheet();

    void btnCheckClick();
    void btnPostClick();
    void btnAbortClick();
    void btnUndoClick();

    QPushButton* btnCheck() const { return m_btnCheck; }
    QPushButton* btnPost() const { return m_btnPost; }
    QPushButton* btnAbort() const { return m_btnAbort; }
    QPushButton* btnUndo() const { return m_btnUndo; }
    QComboBox* PeriodCoBo() const { return m_period; }
    // The errors and refused grades of the last run, one a line in words;
    // activating a line makes its cell current. Hidden while there are none.
    QListWidget* ErrorList() const { return m_errors; }
    GradePosting& Posting() { return *m_posting; }

    bool Aborted() const { return m_aborted; }
    bool Running() const { return m_running; }
    const QString& OperationName() const { return m_operationName; }
    const ScanSummary& LastSummary() const { return m_summary; }

Q_SIGNALS:
    // A posting run or an undo changed the file's stamps: the InBox shows them.
    void InBoxChanged();

protected:
    // Closing (or Escape) during a run asks the Abort question; on Yes the run
    // stops after the current row and the window closes when it has ended,
    // before its tables close.
    void done(int result) override;

private:
    void RowStarting(int sheetRow) override;
    bool RowFinished(int sheetRow) override;
    void StartRun(const QString& operationName);
    void EndRun();
    void ShowCount(bool withChanges);
    int ChosenGradeColumn() const;
    void FillErrorList();
    void GoToListedCell(int sheetRow, int column);

    std::shared_ptr<GradePosting> m_posting;
    QPushButton* m_btnCheck = nullptr;
    QPushButton* m_btnPost = nullptr;
    QPushButton* m_btnAbort = nullptr;
    QPushButton* m_btnUndo = nullptr;
    QComboBox* m_period = nullptr;
    QListWidget* m_errors = nullptr;
    int m_rowBeforeRun = 0;
    int m_scrollBeforeRun = 0;
    bool m_aborted = false;
    bool m_running = false;
    bool m_closeRequested = false;
    bool m_fileRead = true;
    int m_closeResult = 0;
    int m_postedRows = 0; // rows a posting run stamped "Posted" so far
    QString m_operationName;
    ScanSummary m_summary;
};

} // namespace ekaldo
