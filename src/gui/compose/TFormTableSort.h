#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QListWidget;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace ekaldo {

class UiServices;

// What the sort-order and the column dialogs share: the seven field captions
// in a list that the user reorders with two arrow buttons.
class TSortedFieldDialog : public QDialog {
    Q_OBJECT
public:
    QListWidget* SortedFieldLB() const { return m_list; }
    QPushButton* btnOk() const { return m_ok; }
    QPushButton* btnCancel() const { return m_cancel; }
    QPushButton* btnHelp() const { return m_help; }
    QToolButton* btnMoveUp() const { return m_up; }
    QToolButton* btnMoveDn() const { return m_down; }

    void SetLines(const QStringList& captions);
    QStringList Lines() const;

protected:
    TSortedFieldDialog(UiServices& ui, const QString& caption, const QString& groupCaption, int height,
                       QWidget* parent);
    void MoveSelected(bool up);

    QWidget* m_body = nullptr;

private:
    QListWidget* m_list = nullptr;
    QPushButton *m_ok = nullptr, *m_cancel = nullptr, *m_help = nullptr;
    QToolButton *m_up = nullptr, *m_down = nullptr;
};

// "Διάταξη Πίνακα": the order the students are sorted in.
class TFormTableSort : public TSortedFieldDialog {
    Q_OBJECT
public:
    TFormTableSort(UiServices& ui, const QStringList& sortOrder, QWidget* parent = nullptr);
    // The sort order the list now shows.
    QStringList SortOrder() const;
};

// "Πεδία Πίνακα": the order of the student columns, the fixed columns and the grade column.
class TFormTableFields : public TSortedFieldDialog {
    Q_OBJECT
public:
    // fixedColumnsLocked: subject columns are present, the fixed count cannot change.
    TFormTableFields(UiServices& ui, const QStringList& columnOrder, int periodIndex, int fixedColumns,
                     bool fixedColumnsLocked, QWidget* parent = nullptr);
    QStringList ColumnOrder() const;
    int FixedColumns() const;
    int PeriodIndex() const;
    QSpinBox* SpinEditFixedCols() const { return m_spin; }
    QComboBox* PeriodCoBo() const { return m_period; }

private:
    QSpinBox* m_spin = nullptr;
    QComboBox* m_period = nullptr;
};

} // namespace ekaldo
