#include "gui/shell/TParamForm.h"

#include "base/UiServices.h"
#include "core/shell/AppState.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStorageInfo>
#include <QTabBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace ekaldo {
namespace {

// The nearest folder that exists: a saved folder may have gone since.
QString ExistingFolder(const QString& folder) {
    QString path = QDir::cleanPath(QDir(folder.isEmpty() ? QDir::homePath() : folder).absolutePath());
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return QDir::toNativeSeparators(QDir::rootPath());
        path = parent;
    }
    return QDir::toNativeSeparators(path);
}

} // namespace

TParamForm::TParamForm(AppState& state, UiServices& ui, QWidget* parent)
    : QDialog(parent), m_state(state), m_ui(ui) {
    setObjectName(QStringLiteral("ParamForm"));
    setWindowTitle(QStringLiteral("Παράμετροι"));

    auto* group = new QGroupBox(QStringLiteral(" Διάδρομος Φακέλων "));
    m_dirEdit = new QLineEdit;
    m_dirEdit->setObjectName(QStringLiteral("DBDirEdit"));
    m_dirEdit->setReadOnly(true);
    m_dirEdit->setStyleSheet(QStringLiteral("QLineEdit { background: #ffffe1; }"));

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QString());
    m_tree = new QTreeView;
    m_tree->setObjectName(QStringLiteral("DirectoryListBox1"));
    m_tree->setModel(m_model);
    for (int c = 1; c < m_model->columnCount(); ++c)
        m_tree->hideColumn(c);
    m_tree->header()->hide();

    m_drives = new QComboBox;
    m_drives->setObjectName(QStringLiteral("DriveComboBox1"));
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = QDir::toNativeSeparators(volume.rootPath());
        const QString name = volume.displayName();
        m_drives->addItem(name == root ? root : root + QStringLiteral("  [") + name + QLatin1Char(']'), root);
    }

    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_dirEdit);
    groupLayout->addWidget(m_tree, 1);
    groupLayout->addWidget(m_drives);

    m_apply = new QPushButton(QStringLiteral("Εφαρμογή"));
    m_apply->setObjectName(QStringLiteral("ApplyPathBB"));
    m_apply->setDefault(true);
    m_ok = new QPushButton(QStringLiteral("ΟΚ"));
    m_ok->setObjectName(QStringLiteral("OkPathBB"));
    m_cancel = new QPushButton(QStringLiteral("Άκυρο"));
    m_cancel->setObjectName(QStringLiteral("CancelPathBB"));
    m_help = new QPushButton(QStringLiteral("Βοήθεια"));
    m_help->setObjectName(QStringLiteral("HelpPathBB"));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_apply, m_ok, m_cancel, m_help})
        buttons->addWidget(b);
    buttons->addStretch(1);

    auto* page = new QWidget;
    auto* pageLayout = new QHBoxLayout(page);
    pageLayout->addWidget(group, 1);
    pageLayout->addLayout(buttons);

    // One page, "Διάδρομος", chosen by a tab strip at the bottom.
    auto* pages = new QStackedWidget;
    pages->addWidget(page);
    auto* tabs = new QTabBar;
    tabs->setShape(QTabBar::RoundedSouth);
    tabs->addTab(QStringLiteral("Διάδρομος"));
    connect(tabs, &QTabBar::currentChanged, pages, &QStackedWidget::setCurrentIndex);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages, 1);
    layout->addWidget(tabs);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { DirectoryListBox1Change(m_model->filePath(current)); });
    connect(m_drives, &QComboBox::activated, this, &TParamForm::DriveComboBox1Change);
    connect(m_apply, &QPushButton::clicked, this, &TParamForm::ApplyPath);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        ApplyPath();
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_help, &QPushButton::clicked, this, [this] { m_ui.ShowHelp(1020); });

    setFixedSize(460, 360);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // Point the tree at the saved folder without changing it.
    const QString start = ExistingFolder(m_state.DBPath);
    const QModelIndex index = m_model->index(start);
    m_tree->selectionModel()->blockSignals(true);
    m_tree->setCurrentIndex(index);
    m_tree->selectionModel()->blockSignals(false);
    // The model reads folders in the background: open the way down to the
    // chosen folder as each level arrives.
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this](const QString&) {
        const QModelIndex current = m_tree->currentIndex();
        for (QModelIndex up = current.parent(); up.isValid(); up = up.parent())
            m_tree->expand(up);
        m_tree->scrollTo(current, QAbstractItemView::PositionAtCenter);
    });
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        m_tree->expand(up);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
    m_dirEdit->setText(start);
}

void TParamForm::ChooseFolder(const QString& folder) {
    m_tree->setCurrentIndex(m_model->index(folder));
}

void TParamForm::DirectoryListBox1Change(const QString& folder) {
    if (folder.isEmpty())
        return;
    const QString native = QDir::toNativeSeparators(folder);
    m_dirEdit->setText(native);
    m_state.DBPath = native;
}

void TParamForm::DriveComboBox1Change(int index) {
    const QString root = m_drives->itemData(index).toString();
    if (!root.isEmpty())
        ChooseFolder(root);
}

void TParamForm::ApplyPath() {
    m_state.DBPath = m_dirEdit->text();
    Q_EMIT DatabaseFolderChanged();
}

} // namespace ekaldo
