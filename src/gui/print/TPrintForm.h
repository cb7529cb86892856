#pragma once

#include "report/ReportEngine.h"

#include <QDialog>

class QComboBox;
class QIODevice;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace ekaldo {

struct AppState;
class UiServices;

// "Εκτύπωση": prints the previewed report file, whole or a range of its
// pages (all, odd or even ones), on the current printer.
class TPrintForm : public QDialog {
    Q_OBJECT
public:
    TPrintForm(AppState& state, UiServices& ui, QIODevice* stream, int pageCount, QWidget* owner = nullptr);

    TFilePrinter& FilePrinter1() { return m_printer; }
    QLabel* ReportNameLabel() const { return m_reportName; }
    QLabel* PrinterNameLabel() const { return m_printerName; }
    QLineEdit* CopiesEdit() const { return m_copies; }
    QLineEdit* StartPageEdit() const { return m_start; }
    QLineEdit* EndPageEdit() const { return m_end; }
    QRadioButton* WholeRB() const { return m_whole; }
    QRadioButton* PagesRB() const { return m_pages; }
    QComboBox* PagesCoBo() const { return m_pagesCoBo; }

    // The window's activation: copies 1, the whole report.
    void FormActivate();
    // "ΟΚ": prints as chosen and closes.
    void BtnOKClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Print();

    AppState& m_state;
    UiServices& m_ui;
    TFilePrinter m_printer;
    QLabel* m_reportName = nullptr;
    QLabel* m_printerName = nullptr;
    QLineEdit* m_copies = nullptr;
    QLineEdit* m_start = nullptr;
    QLineEdit* m_end = nullptr;
    QRadioButton* m_whole = nullptr;
    QRadioButton* m_pages = nullptr;
    QComboBox* m_pagesCoBo = nullptr;
};

} // namespace ekaldo
