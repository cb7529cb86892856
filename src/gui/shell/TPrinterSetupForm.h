#pragma once

#include "base/UiServices.h"

#include <QDialog>

class QComboBox;

namespace ekaldo {

// "Εκτυπωτής": the printer the next printout goes to, its paper and its
// orientation, each in a list reachable by its underlined letter.
class TPrinterSetupForm : public QDialog {
    Q_OBJECT
public:
    TPrinterSetupForm(const QStringList& printers, const QString& printer, const PageSetup& page,
                      QWidget* owner = nullptr);

    QComboBox* PrinterCombo() const { return m_printer; }
    QComboBox* PaperCombo() const { return m_paper; }
    QComboBox* OrientationCombo() const { return m_orientation; }

    QString Printer() const;
    PageSetup Page() const;

private:
    QComboBox* m_printer = nullptr;
    QComboBox* m_paper = nullptr;
    QComboBox* m_orientation = nullptr;
};

} // namespace ekaldo
