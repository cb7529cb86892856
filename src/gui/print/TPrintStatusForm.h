#pragma once

#include "report/ReportEngine.h"
#include "report/TablePrinting.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace ekaldo {

class GradeSheet;
class UiServices;

// "Προετοιμασία Έκθεσης..": records the sheet's table into the report file
// when it is first shown, counting pages on its label; "Άκυρο" aborts the
// job, and then "OK" closes the window.
class TPrintStatusForm : public QDialog {
    Q_OBJECT
public:
    // reportTitle and schoolYear head every page: the sheet's own year.
    TPrintStatusForm(const QString& reportTitle, const QString& schoolYear, UiServices& ui,
                     const GradeSheet& sheet, const QList<int>& columnWidthsPixels, QWidget* owner = nullptr);

    const GradeSheet& Grid() const { return m_grid; }
    TReportFiler& Report() { return m_report; }
    TablePrintJob& Job() { return m_job; }
    QLabel* PrintStatusLabel() const { return m_label; }
    QPushButton* BtnOkCancel() const { return m_button; }

    // Runs the job, once: the window's activation.
    void FormActivate();
    bool Running() const { return m_running; }
    bool Done() const { return m_done; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void BtnOkCancelClick();
    void RefreshLabel();

    UiServices& m_ui;
    const GradeSheet& m_grid;
    TReportFiler m_report;
    TablePrintJob m_job;
    QLabel* m_label = nullptr;
    QPushButton* m_button = nullptr;
    bool m_running = false;
    bool m_done = false;
};

} // namespace ekaldo
