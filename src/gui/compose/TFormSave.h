#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace ekaldo {

class UiServices;

// The small save window of the filter window: the files of one folder, and a
// name box into which a clicked file's name is copied.
class TFormSave : public QDialog {
    Q_OBJECT
public:
    TFormSave(const QString& caption, const QString& folder, const QString& mask, const QString& proposedName,
              QWidget* parent = nullptr);
    QListWidget* FileListBox() const { return m_files; }
    QLineEdit* SaveAsFileEdit() const { return m_name; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

private:
    QListWidget* m_files = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton *m_ok = nullptr, *m_cancel = nullptr;
};

} // namespace ekaldo
