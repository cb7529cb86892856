#include "gui/schooldb/TDataManager.h"

#include "base/UiServices.h"
#include "core/shell/AppState.h"
#include "gui/TDatModImages.h"
#include "gui/schooldb/TDataOpen.h"
#include "gui/schooldb/TPasswordForm.h"
#include "gui/shell/WindowPlacer.h"
#include "schooldb/SchoolYears.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace ekaldo {
namespace {

// A white margin with the folder picture (open for the school year now open), then the label.
class SchoolYearDelegate : public QStyledItemDelegate {
public:
    SchoolYearDelegate(const AppState& state, QObject* parent)
        : QStyledItemDelegate(parent), m_state(state) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(r.adjusted(20, 0, 0, 0),
                          selected ? option.palette.highlight() : option.palette.base());
        painter->fillRect(QRect(r.left(), r.top(), 20, r.height()), Qt::white);
        const QString label = index.data().toString();
        painter->drawPixmap(r.left() + 2, r.top() + 2,
                            TDatModImages::Folder(label == m_state.SchoolYearLabel));
        painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        painter->drawText(QRect(r.left() + 22, r.top() + 2, r.width() - 22, r.height() - 2),
                          Qt::AlignLeft | Qt::AlignTop, label);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width() + 22, 18};
    }

private:
    const AppState& m_state;
};

} // namespace

TDataManager::TDataManager(AppState& state, UiServices& ui, QWidget* parent)
    : QDialog(parent), m_state(state), m_ui(ui) {
    setObjectName(QStringLiteral("DataManager"));
    setWindowTitle(m_state.DBPath.isEmpty()
                       ? QStringLiteral("Φάκελοι")
                       : QStringLiteral("Φάκελοι ( ") + m_state.DBPath + QStringLiteral(" ) "));

    m_edit = new QLineEdit;
    m_edit->setObjectName(QStringLiteral("SchoolYearEdit"));
    m_edit->setEnabled(false);
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { background: #ffffe1; color: black; }"));
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("SchoolYearLB"));
    m_list->setItemDelegate(new SchoolYearDelegate(m_state, m_list));
    m_list->setUniformItemSizes(true);
    m_open = new QPushButton(QStringLiteral("&Άνοιγμα"));
    m_open->setObjectName(QStringLiteral("OpenBtn"));
    m_open->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addWidget(m_list, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_open);
    layout->addLayout(row);
    resize(317, 241);
    WindowPlacer::Restore(*this, m_state.DataManagerPlacement, WindowPlacer::Size::Keep);

    const QStringList labels = ListSchoolYearLabels(m_state.DBPath);
    m_list->addItems(labels);
    if (!labels.isEmpty()) {
        // The year open now; else the one last opened, which start-up could
        // not open without asking; else the latest.
        qsizetype open = labels.indexOf(m_state.SchoolYearLabel);
        if (open < 0)
            open = labels.indexOf(m_state.LastSchoolYear);
        m_list->setCurrentRow(static_cast<int>(open >= 0 ? open : labels.size() - 1));
        m_edit->setText(m_list->currentItem()->text());
    }

    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { m_edit->setText(item->text()); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { OpenData(); });
    connect(m_open, &QPushButton::clicked, this, [this] { OpenData(); });
}

void TDataManager::OpenData() {
    QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString label = item->text();
    m_edit->setText(label);
    bool opened = false;
    {
        TDataOpen confirm(m_ui, label, this);
        if (m_ui.RunModal(confirm) == QDialog::Accepted) {
            TPasswordForm passwordForm(this);
            PasswordFormPrompt prompt(passwordForm, m_ui);
            try {
                OpenSchoolYear(m_state, m_ui, prompt, label);
            } catch (...) {
                Q_EMIT SchoolYearChanged();
                throw;
            }
            opened = true;
        }
    }
    Q_EMIT SchoolYearChanged();
    if (opened)
        accept();
}

void TDataManager::done(int result) {
    m_state.DataManagerPlacement = WindowPlacer::Save(*this);
    QDialog::done(result);
}

} // namespace ekaldo
