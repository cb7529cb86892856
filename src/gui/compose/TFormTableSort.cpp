#include "gui/compose/TFormTableSort.h"

#include "base/UiServices.h"
#include "core/compose/ColumnSettings.h"
#include "gui/TDatModImages.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>

namespace ekaldo {

TSortedFieldDialog::TSortedFieldDialog(UiServices& ui, const QString& caption, const QString& groupCaption,
                                       int height, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    setFixedSize(301, height);
    auto* group = new QGroupBox(groupCaption, this);
    group->setGeometry(8, 8, 189, 157);
    m_list = new QListWidget(group);
    m_list->setObjectName(QStringLiteral("SortedFieldLB"));
    m_list->setGeometry(16, 24, 157, 121);

    m_ok = new QPushButton(QStringLiteral("ΟΚ"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Άκυρο"), this);
    m_help = new QPushButton(QStringLiteral("Βοήθεια"), this);
    m_ok->setGeometry(208, 16, 85, 27);
    m_cancel->setGeometry(208, 52, 85, 27);
    m_help->setGeometry(208, 87, 85, 27);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_help, &QPushButton::clicked, this, [&ui] { ui.ShowHelp(1040); });

    auto* moveLabel = new QLabel(QStringLiteral("Αλλαγή Σειράς:"), this);
    moveLabel->setGeometry(8, 174, 100, 23);
    auto arrow = [&](Qt::ArrowType direction, int x) {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        QIcon icon(TDatModImages::Arrow(direction, false));
        icon.addPixmap(TDatModImages::Arrow(direction, true), QIcon::Active);
        button->setIcon(icon);
        button->setIconSize(QSize(17, 17));
        button->setGeometry(x, 174, 29, 23);
        return button;
    };
    m_up = arrow(Qt::UpArrow, 110);
    m_up->setObjectName(QStringLiteral("btnMoveUp"));
    m_down = arrow(Qt::DownArrow, 139);
    m_down->setObjectName(QStringLiteral("btnMoveDn"));
    connect(m_up, &QToolButton::clicked, this, [this] { MoveSelected(true); });
    connect(m_down, &QToolButton::clicked, this, [this] { MoveSelected(false); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TSortedFieldDialog::SetLines(const QStringList& captions) {
    m_list->clear();
    m_list->addItems(captions);
}

QStringList TSortedFieldDialog::Lines() const {
    QStringList lines;
    for (int i = 0; i < m_list->count(); ++i)
        lines << m_list->item(i)->text();
    return lines;
}

void TSortedFieldDialog::MoveSelected(bool up) {
    QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    QStringList lines = Lines();
    const QString text = item->text();
    const int to = MoveLine(lines, m_list->row(item), up);
    SetLines(lines);
    // The moved line stays selected, found again by its text.
    const auto found = m_list->findItems(text, Qt::MatchExactly);
    if (!found.isEmpty())
        m_list->setCurrentItem(found.front());
    Q_UNUSED(to);
}

TFormTableSort::TFormTableSort(UiServices& ui, const QStringList& sortOrder, QWidget* parent)
    : TSortedFieldDialog(ui, QStringLiteral("Διάταξη Πίνακα"), QStringLiteral(" Διάταξη ως προς: "), 209,
                         parent) {
    setObjectName(QStringLiteral("FormTableSort"));
    QStringList captions;
    for (const QString& reference : sortOrder)
        captions << CaptionOfSortReference(reference);
    SetLines(captions);
}

QStringList TFormTableSort::SortOrder() const {
    QStringList order;
    for (const QString& caption : Lines())
        order << SortReferenceOfCaption(caption);
    return order;
}

TFormTableFields::TFormTableFields(UiServices& ui, const QStringList& columnOrder, int periodIndex,
                                   int fixedColumns, bool fixedColumnsLocked, QWidget* parent)
    : TSortedFieldDialog(ui, QStringLiteral("Πεδία Πίνακα"), QStringLiteral("Πεδία: "), 278, parent) {
    setObjectName(QStringLiteral("FormTableFields"));
    QStringList captions;
    for (const QString& key : columnOrder)
        captions << CaptionOfColumnKey(key);
    SetLines(captions);

    auto* fixedLabel = new QLabel(QStringLiteral("Σταθερές Στήλες:"), this);
    fixedLabel->setGeometry(8, 210, 110, 23);
    m_spin = new QSpinBox(this);
    m_spin->setObjectName(QStringLiteral("SpinEditFixedCols"));
    m_spin->setGeometry(120, 210, 60, 23);
    m_spin->findChild<QLineEdit*>()->setReadOnly(true); // the arrows only
    m_spin->setRange(1, 8);
    m_spin->setValue(fixedColumns);
    m_spin->setEnabled(!fixedColumnsLocked);

    auto* periodLabel = new QLabel(QStringLiteral("Βαθμολογία"), this);
    periodLabel->setGeometry(8, 242, 110, 23);
    m_period = new QComboBox(this);
    m_period->setObjectName(QStringLiteral("PeriodCoBo"));
    m_period->setGeometry(120, 242, 133, 23);
    m_period->addItems(PeriodChoices(Program::kGradingScheme));
    m_period->setCurrentIndex(periodIndex >= 0 && periodIndex < m_period->count() ? periodIndex : -1);
}

QStringList TFormTableFields::ColumnOrder() const {
    QStringList order;
    for (const QString& caption : Lines())
        order << ColumnKeyOfCaption(caption);
    return order;
}

int TFormTableFields::FixedColumns() const {
    return m_spin->value();
}

int TFormTableFields::PeriodIndex() const {
    return m_period->currentIndex();
}

} // namespace ekaldo
