#pragma once

#include "core/review/GradePosting.h"
#include "gui/widgets/TSheetWindow.h"

#include <memory>

class QComboBox;
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
    GradePosting& Posting() { return *m_posting; }

    bool Aborted() const { return m_aborted; }
    bool Running() const { return m_running; }
    const QString& OperationName() const { return m_operationName; }
    const ScanSummary& LastSummary() const { return m_summary; }

Q_SIGNALS:
    // A posting run or an undo changed the file's stamps: the InBox shows them.
    void InBoxChanged();

protected:
    // Closing during a run stops it after the current row; the window closes
    // when the run has ended, before its tables close.
    void done(int result) override;

private:
    void RowStarting(int sheetRow) override;
    bool RowFinished(int sheetRow) override;
    void StartRun(const QString& operationName);
    void EndRun();
    void ShowCount(bool withChanges);
    int ChosenGradeColumn() const;

    std::shared_ptr<GradePosting> m_posting;
    QPushButton* m_btnCheck = nullptr;
    QPushButton* m_btnPost = nullptr;
    QPushButton* m_btnAbort = nullptr;
    QPushButton* m_btnUndo = nullptr;
    QComboBox* m_period = nullptr;
    bool m_aborted = false;
    bool m_running = false;
    bool m_closeRequested = false;
    bool m_fileRead = true;
    int m_closeResult = 0;
    QString m_operationName;
    ScanSummary m_summary;
};

} // namespace ekaldo
