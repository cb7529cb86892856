#include "gui/shell/TFormMain.h"

#include "base/ProfileFile.h"
#include "base/ProgramConstants.h"
#include "base/UiServices.h"
#include "core/exchange/GradeDataFile.h"
#include "core/shell/AppState.h"
#include "core/shell/DocumentTransfer.h"
#include "core/shell/Settings.h"
#include "gui/TDatModImages.h"
#include "gui/compose/TFormExpoFilter.h"
#include "gui/review/TFormPostTable.h"
#include "gui/review/TFormViewTable.h"
#include "gui/schooldb/TDataManager.h"
#include "gui/shell/TAboutForm.h"
#include "gui/shell/TParamForm.h"
#include "gui/shell/WindowPlacer.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/SchoolYears.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace ekaldo {
namespace {

const QColor kNavy(0x00, 0x00, 0x80);
const QStringList kListCaptions = {QStringLiteral("προς Καταχώρηση"), QStringLiteral("προς Αποστολή"),
                                   QStringLiteral("Υποδείγματα")};
constexpr std::array<int, 8> kDefaultWidths = {32, 18, 240, 128, 128, 128, 128, 128};

// Draws the running numbers of column 0 and the state icons of column 1.
class FileGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto* model = static_cast<const DocumentListModel*>(index.model());
        if (index.column() == 0) {
            painter->fillRect(option.rect, option.palette.button());
            painter->setPen(kNavy);
            const QRect text = option.rect.adjusted(0, 2, -4, 0);
            painter->drawText(text, Qt::AlignRight | Qt::AlignTop, QString::number(index.row() + 1));
            return;
        }
        if (index.column() == 1) {
            painter->fillRect(option.rect, Qt::white);
            StateImage image;
            switch (model->IconOf(index.row())) {
            case DocumentListModel::RowIcon::Edit:
                image = StateImage::Edit;
                break;
            case DocumentListModel::RowIcon::Post:
                image = StateImage::Post;
                break;
            case DocumentListModel::RowIcon::Get:
                image = StateImage::Get;
                break;
            default:
                return;
            }
            painter->drawPixmap(option.rect.topLeft() + QPoint(1, 1), TDatModImages::State(image));
            return;
        }
        QStyleOptionViewItem shifted(option);
        shifted.rect.adjust(2, 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
};

} // namespace

TFormMain::TFormMain(AppState& state, UiServices& ui, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_ui(ui) {
    setObjectName(QStringLiteral("FormMain"));
    FormCreate();
}

QToolButton* TFormMain::AddButton(QToolBar* bar, const char* name, ToolImage image, const QString& hint,
                                  const QList<QKeySequence>& shortcuts) {
    // The button shows a command that the menu bar shows too: one action, so
    // that both are enabled together and run the same thing.
    auto* action = new QAction(TDatModImages::ToolIcon(image), hint, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(shortcuts);
    addAction(action);
    m_actions.append(action);
    return m_tools.Add(bar, action);
}

QAction* TFormMain::Action(const QString& name) const {
    for (QAction* a : m_actions) {
        if (a->objectName() == name)
            return a;
    }
    return nullptr;
}

void TFormMain::BuildMenuBar() {
    auto* refresh = new QAction(QStringLiteral("Ανανέωση"), this);
    refresh->setObjectName(QStringLiteral("actRefresh"));
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    connect(refresh, &QAction::triggered, this, [this] { RefreshAll(); });
    addAction(refresh);
    m_actions.append(refresh);

    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (!*name)
                menu->addSeparator();
            else
                menu->addAction(Action(QString::fromLatin1(name)));
        }
    };
    QMenuBar* bar = menuBar();
    add(bar->addMenu(QStringLiteral("&Αρχείο")), {"tbtnNewItem", "tbtnView", "tbtnRun", "", "tbtnExportItem",
                                                  "tbtnImportItem", "tbtnDeleteItem", "", "tbtnExit"});
    add(bar->addMenu(QStringLiteral("&Προβολή")), {"actRefresh"});
    add(bar->addMenu(QStringLiteral("&Εργαλεία")), {"tbtnFolders", "tbtnParams"});
    add(bar->addMenu(QStringLiteral("&Βοήθεια")), {"tbtnHelp"});
}

QToolButton* TFormMain::Button(const QString& name) const {
    return m_tools.Button(name);
}

TAboutForm* TFormMain::Banner() const {
    return findChild<TAboutForm*>(QStringLiteral("AboutForm"));
}

void TFormMain::BuildLayout() {
    setWindowIcon(TDatModImages::AppIcon());

    // Top: the window commands and the open school year.
    auto* top = new QWidget;
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(4, 2, 4, 4);
    topLayout->setSpacing(2);
    auto* windowBar = new QToolBar;
    AddButton(windowBar, "tbtnHelp", ToolImage::Help, QStringLiteral("Βοήθεια"), {QKeySequence(Qt::Key_F1)});
    AddButton(windowBar, "tbtnParams", ToolImage::Params, QStringLiteral("Παράμετροι"));
    AddButton(windowBar, "tbtnFolders", ToolImage::Folders, QStringLiteral("Φάκελοι"));
    AddButton(windowBar, "tbtnExit", ToolImage::Exit, QStringLiteral("Έξοδος"), {QKeySequence::Quit});
    topLayout->addWidget(windowBar);
    auto* yearRow = new QHBoxLayout;
    yearRow->addWidget(new QLabel(QStringLiteral("Φάκελος:")));
    m_edtSchoolYear = new QLineEdit;
    m_edtSchoolYear->setObjectName(QStringLiteral("edtSchoolYear"));
    m_edtSchoolYear->setReadOnly(true);
    yearRow->addWidget(m_edtSchoolYear, 1);
    topLayout->addLayout(yearRow);

    // Left: the file commands and the three folders.
    m_left = new QWidget;
    m_left->setObjectName(QStringLiteral("pnlClientLeft"));
    m_left->setMinimumWidth(148);
    auto* leftLayout = new QVBoxLayout(m_left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* fileBar = new QToolBar;
    AddButton(fileBar, "tbtnNewItem", ToolImage::NewItem, QStringLiteral("Νέο Αρχείο"), {QKeySequence::New});
    QToolButton* exportButton =
        AddButton(fileBar, "tbtnExportItem", ToolImage::ExportItem, QStringLiteral("Αποστολή Αρχείου"));
    // Sending as a spreadsheet workbook sits under the send button's arrow.
    auto* exportMenu = new QMenu(exportButton);
    exportMenu->addAction(QStringLiteral("Αποστολή Αρχείου"), this, &TFormMain::tbtnExportItemClick);
    QAction* workbook = exportMenu->addAction(QStringLiteral("Αποστολή ως Λογιστικό Φύλλο"), this,
                                              &TFormMain::tbtnExportWorkbookClick);
    workbook->setObjectName(QStringLiteral("actExportWorkbook"));
    exportButton->setMenu(exportMenu);
    exportButton->setPopupMode(QToolButton::MenuButtonPopup);
    AddButton(fileBar, "tbtnImportItem", ToolImage::ImportItem, QStringLiteral("Λήψη Αρχείου"));
    AddButton(fileBar, "tbtnDeleteItem", ToolImage::DeleteItem, QStringLiteral("Διαγραφή Αρχείου"),
              {QKeySequence::Delete});
    leftLayout->addWidget(fileBar);
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("lstvInOutDocs"));
    m_list->setIconSize(QSize(27, 27));
    const ToolImage itemImages[] = {ToolImage::InBoxItem, ToolImage::OutBoxItem, ToolImage::TemplatesItem};
    for (int i = 0; i < 3; ++i)
        new QListWidgetItem(TDatModImages::ToolIcon(itemImages[i]), kListCaptions[i], m_list);
    leftLayout->addWidget(m_list, 1);

    // Right: the sheet commands and the book of three pages.
    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* sheetBar = new QToolBar;
    AddButton(sheetBar, "tbtnRun", ToolImage::Run, QStringLiteral("Επεξεργασία Αρχείου"));
    // The menu shows the first key: "Enter", as the keyboard names it.
    AddButton(sheetBar, "tbtnView", ToolImage::View, QStringLiteral("Επισκόπηση"),
              {QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)});
    rightLayout->addWidget(sheetBar);
    m_book = new QStackedWidget;
    for (int p = 0; p < 3; ++p) {
        auto* page = new QWidget;
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->setSpacing(0);
        auto* title = new QLabel;
        title->setStyleSheet(
            QStringLiteral("QLabel { background: #000080; color: white; font-weight: bold; padding: 3px; }"));
        m_pageTitles[std::size_t(p)] = title;
        auto* model = new DocumentListModel(static_cast<DocumentPage>(p), this);
        auto* grid = new QTableView;
        static const char* gridNames[] = {"strgrdInBox", "strgrdOutBox", "strgrdTemplates"};
        grid->setObjectName(QString::fromLatin1(gridNames[p]));
        grid->setModel(model);
        grid->setItemDelegate(new FileGridDelegate(grid));
        grid->setSelectionBehavior(QAbstractItemView::SelectRows);
        grid->setSelectionMode(QAbstractItemView::SingleSelection);
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid->verticalHeader()->hide();
        grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        grid->verticalHeader()->setMinimumSectionSize(18);
        grid->verticalHeader()->setDefaultSectionSize(18);
        grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
        grid->horizontalHeader()->setMinimumSectionSize(8);
        grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        grid->horizontalHeader()->setHighlightSections(false);
        grid->setWordWrap(false);
        connect(grid, &QTableView::doubleClicked, this, [this] { tbtnViewClick(); });
        m_grids[std::size_t(p)] = grid;
        m_models[std::size_t(p)] = model;
        pageLayout->addWidget(title);
        pageLayout->addWidget(grid, 1);
        m_book->addWidget(page);
    }
    rightLayout->addWidget(m_book, 1);

    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->addWidget(m_left);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setChildrenCollapsible(false);

    auto* central = new QWidget;
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);
    centralLayout->addWidget(top);
    centralLayout->addWidget(m_splitter, 1);
    setCentralWidget(central);

    const int panelWidths[] = {480, 50, 50};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel;
        // The first panel gives way when the window is narrower than its 480 pixels.
        if (i == 0)
            panel->setMinimumWidth(120);
        else
            panel->setFixedWidth(panelWidths[i]);
        panel->resize(panelWidths[i], panel->height());
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_statusPanels[std::size_t(i)] = panel;
        statusBar()->addWidget(panel, i == 0 ? 1 : 0);
    }

    auto on = [this](const char* name, auto slot) {
        connect(Action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
    };
    on("tbtnHelp", &TFormMain::tbtnHelpClick);
    on("tbtnParams", &TFormMain::tbtnParamsClick);
    on("tbtnFolders", &TFormMain::tbtnFoldersClick);
    on("tbtnExit", &QWidget::close);
    on("tbtnNewItem", &TFormMain::tbtnNewItemClick);
    on("tbtnExportItem", &TFormMain::tbtnExportItemClick);
    on("tbtnImportItem", &TFormMain::tbtnImportItemClick);
    on("tbtnDeleteItem", &TFormMain::tbtnDeleteItemClick);
    on("tbtnRun", &TFormMain::tbtnRunClick);
    on("tbtnView", &TFormMain::tbtnViewClick);
    BuildMenuBar();
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { lstvInOutDocsChange(); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { lstvInOutDocsChange(); });
}

void TFormMain::FormCreate() {
    m_helpFile = m_state.HelpFilePath();
    setWindowTitle(Program::MainCaption);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    BuildLayout();

    // The data folder is saved at the first confirmed exit: until then every
    // start is the first.
    const bool firstStart = !ProfileFile::ReadSection(m_state.SettingsPath, QStringLiteral("Directory"), true)
                                 .Contains(QStringLiteral("DBPath"));
    // Read before the banner: the banner over this window makes its platform
    // window at once, and a window made before its placement is known keeps
    // the title bar above the corner it is given afterwards.
    LoadSettings(m_state, m_state.DBPath);
    if (firstStart)
        FitFirstStartSizes();
    const WindowPlacement& p = m_state.MainPlacement;
    WindowPlacer::Restore(*this, p);

    auto* banner = new TAboutForm(this);
    banner->show();
    m_ui.ProcessEvents();

    m_statusPanels[0]->setText(QLatin1Char(' ') + Program::ProgramName + QStringLiteral(" v ") +
                               Program::ProgramVersion + Program::EditionText(Program::kGradingScheme) +
                               QStringLiteral(" , ") + Program::CopyrightNotice);
    m_statusPanels[0]->setToolTip(m_statusPanels[0]->text());
    m_book->setCurrentIndex(0);
    // The list's item matches the page shown, so its commands are ready at once.
    m_list->setCurrentRow(0);
    CloseSchoolYear();
    m_state.SetDocumentFolders();
    for (int p = 0; p < 3; ++p)
        m_pageTitles[std::size_t(p)]->setText(QLatin1Char(' ') + kListCaptions[p]);
    UpdateCommandButtons();
    m_splitter->setSizes({m_state.SplitW, std::max(1, p.w - m_state.SplitW)});
    ApplyColumnWidths();
    RefreshInBox();
    RefreshOutBox();
    RefreshTemplates();
    WatchFolders();
    ReopenSchoolYear(firstStart);
    // The keyboard starts in the folders, not on the first tool button.
    m_list->setFocus();
}

void TFormMain::WatchFolders() {
    m_watcher = new QFileSystemWatcher(this);
    m_watchTimer = new QTimer(this);
    m_watchTimer->setSingleShot(true);
    // A copy or an unpacked archive changes a folder many times in a row:
    // the list is filled once, when the changes have settled.
    m_watchTimer->setInterval(150);
    connect(m_watchTimer, &QTimer::timeout, this, [this] {
        for (int p = 0; p < 3; ++p) {
            if (std::exchange(m_changed[std::size_t(p)], false))
                Refresh(static_cast<DocumentPage>(p));
        }
    });
    for (int p = 0; p < 3; ++p)
        m_watcher->addPath(FolderOf(m_state, static_cast<DocumentPage>(p)));
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
        for (int p = 0; p < 3; ++p) {
            if (QFileInfo(path) == QFileInfo(FolderOf(m_state, static_cast<DocumentPage>(p))))
                m_changed[std::size_t(p)] = true;
        }
        m_watchTimer->start();
    });
}

void TFormMain::FitFirstStartSizes() {
    // Nothing placed yet: the main window shows every column of its lists,
    // the sheet windows every student column and the first grade columns,
    // as far as the screen allows.
    QSize room(1366, 768);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        room = screen->availableGeometry().size();
    const auto fit = [this, &room](WindowPlacement& placement, int width, int height) {
        // A placement the settings file holds already is the user's.
        const QString section = &placement == &m_state.MainPlacement   ? QStringLiteral("fc_Main")
                                : &placement == &m_state.ViewPlacement ? QStringLiteral("fc_View")
                                                                       : QStringLiteral("fc_Post");
        if (ProfileFile::ReadSection(m_state.SettingsPath, section, true).Contains(QStringLiteral("W")))
            return;
        placement.w = std::max(placement.w, std::min(width, room.width() - 2 * placement.x - 20));
        placement.h = std::max(placement.h, std::min(height, room.height() - placement.y - 60));
    };
    fit(m_state.MainPlacement, 1150, 520);
    fit(m_state.ViewPlacement, 1040, 600);
    fit(m_state.PostPlacement, 1040, 640);
}

void TFormMain::ReopenSchoolYear(bool firstStart) {
    QString label = m_state.LastSchoolYear;
    if (label.isEmpty() && firstStart) {
        // A new office sees the demo school at work, not an empty window.
        const QStringList labels = ListSchoolYearLabels(m_state.DBPath);
        if (labels.size() == 1)
            label = labels.front();
    }
    if (label.isEmpty())
        return;
    if (ReopenSchoolYearSilently(m_state, label))
        m_state.LastSchoolYear = label;
    ShowSchoolYear();
    UpdateCommandButtons();
}

void TFormMain::ApplyColumnWidths() {
    auto apply = [](QTableView* grid, const auto& stored) {
        // Wide enough for a five-digit row number, in whatever font the desktop gives.
        grid->setColumnWidth(0, std::max(kDefaultWidths[0],
                                         grid->fontMetrics().horizontalAdvance(QStringLiteral("10000")) + 8));
        grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
        grid->setColumnWidth(1, kDefaultWidths[1]);
        for (std::size_t i = 0; i < stored.size(); ++i)
            grid->setColumnWidth(int(i) + 2, stored[i]);
    };
    apply(m_grids[0], m_state.InBoxWidths);
    apply(m_grids[1], m_state.OutBoxWidths);
    apply(m_grids[2], m_state.TemplateWidths);
}

void TFormMain::StoreColumnWidths() {
    auto store = [](const QTableView* grid, auto& stored) {
        for (std::size_t i = 0; i < stored.size(); ++i)
            stored[i] = grid->columnWidth(int(i) + 2);
    };
    store(m_grids[0], m_state.InBoxWidths);
    store(m_grids[1], m_state.OutBoxWidths);
    store(m_grids[2], m_state.TemplateWidths);
}

void TFormMain::ShowSchoolYear() {
    m_edtSchoolYear->setText(m_state.SchoolYearLabel);
}

void TFormMain::CloseSchoolYear() {
    ekaldo::CloseSchoolYear(m_state);
    ShowSchoolYear();
}

void TFormMain::Refresh(DocumentPage page) {
    const auto i = static_cast<std::size_t>(page);
    QTableView* grid = m_grids[i];
    const QString remembered = m_models[i]->FileNameAt(grid->currentIndex().row());
    const int row = m_models[i]->Refresh(m_state, remembered);
    // The current cell is the row's number, so that bringing the row into
    // view never scrolls the numbers out of it.
    grid->setCurrentIndex(m_models[i]->index(row, 0));
    grid->selectRow(row);
    grid->horizontalScrollBar()->setValue(0);
}

void TFormMain::RefreshInBox() {
    Refresh(DocumentPage::InBox);
}
void TFormMain::RefreshOutBox() {
    Refresh(DocumentPage::OutBox);
}
void TFormMain::RefreshTemplates() {
    Refresh(DocumentPage::Templates);
}

void TFormMain::RefreshAll() {
    RefreshOutBox();
    RefreshInBox();
    RefreshTemplates();
}

bool TFormMain::ItemChosen(DocumentPage page) const {
    QListWidgetItem* item = m_list->item(static_cast<int>(page));
    return item && (item->isSelected() || m_list->currentItem() == item);
}

QString TFormMain::CurrentName(DocumentPage page) const {
    const auto i = static_cast<std::size_t>(page);
    return m_models[i]->FileNameAt(m_grids[i]->currentIndex().row());
}

void TFormMain::UpdateCommandButtons() {
    for (const char* name : {"tbtnNewItem", "tbtnImportItem", "tbtnExportItem", "tbtnRun", "tbtnView"})
        Action(QString::fromLatin1(name))->setEnabled(false);
    const bool yearOpen = m_state.SchoolYearOpen();
    if (ItemChosen(DocumentPage::InBox)) {
        Action(QStringLiteral("tbtnImportItem"))->setEnabled(true);
        Action(QStringLiteral("tbtnView"))->setEnabled(true);
        Action(QStringLiteral("tbtnRun"))->setEnabled(yearOpen);
    }
    if (ItemChosen(DocumentPage::OutBox)) {
        Action(QStringLiteral("tbtnExportItem"))->setEnabled(true);
        Action(QStringLiteral("tbtnView"))->setEnabled(true);
    }
    if (ItemChosen(DocumentPage::Templates)) {
        Action(QStringLiteral("tbtnNewItem"))->setEnabled(yearOpen);
        Action(QStringLiteral("tbtnView"))->setEnabled(yearOpen);
    }
}

void TFormMain::lstvInOutDocsChange() {
    UpdateCommandButtons();
    const int row = m_list->currentRow();
    if (row >= 0 && row < 3)
        m_book->setCurrentIndex(row);
}

void TFormMain::tbtnHelpClick() {
    m_ui.ShowHelp(1000);
}

void TFormMain::tbtnParamsClick() {
    TParamForm form(m_state, m_ui, this);
    connect(&form, &TParamForm::DatabaseFolderChanged, this, &TFormMain::CloseSchoolYear);
    m_ui.RunModal(form);
    UpdateCommandButtons();
}

void TFormMain::tbtnFoldersClick() {
    TDataManager manager(m_state, m_ui, this);
    connect(&manager, &TDataManager::SchoolYearChanged, this, [this] {
        ShowSchoolYear();
        UpdateCommandButtons();
        if (m_state.SchoolYearOpen())
            m_state.LastSchoolYear = m_state.SchoolYearLabel;
    });
    m_ui.RunModal(manager);
}

void TFormMain::OpenFilterWindow(const QString& templatePath) {
    TFormExpoFilter filter(m_state, m_ui, this);
    connect(&filter, &TFormExpoFilter::OutBoxChanged, this, &TFormMain::RefreshOutBox);
    connect(&filter, &TFormExpoFilter::TemplatesChanged, this, &TFormMain::RefreshTemplates);
    filter.FillGrids();
    if (!templatePath.isEmpty())
        filter.ApplyTemplate(templatePath);
    filter.ComposeSheet();
    m_ui.RunModal(filter);
}

void TFormMain::tbtnNewItemClick() {
    m_state.CurrentTemplateName = QStringLiteral("Νέο");
    OpenFilterWindow(QString());
}

void TFormMain::tbtnExportItemClick() {
    SendGradeFile(m_state, m_state, m_ui, CurrentName(DocumentPage::OutBox));
    RefreshAll();
}

void TFormMain::tbtnExportWorkbookClick() {
    SendGradeWorkbook(m_state, m_ui, CurrentName(DocumentPage::OutBox));
    RefreshAll();
}

void TFormMain::tbtnImportItemClick() {
    ReceiveGradeFile(m_state, m_state, m_state, m_ui);
    RefreshAll();
}

void TFormMain::tbtnDeleteItemClick() {
    const auto page = static_cast<DocumentPage>(m_book->currentIndex());
    DeleteDocument(m_state, m_ui, page, CurrentName(page));
    RefreshAll();
}

void TFormMain::tbtnRunClick() {
    if (!ItemChosen(DocumentPage::InBox))
        return;
    m_state.CurrentFileName = CurrentName(DocumentPage::InBox);
    m_state.CurrentFilePath = DocumentPath(m_state, DocumentPage::InBox, m_state.CurrentFileName);
    ReadGradeFileHeader(m_state, m_state.CurrentFilePath);
    TFormPostTable window(m_state, m_ui, this);
    connect(&window, &TFormPostTable::InBoxChanged, this, &TFormMain::RefreshInBox);
    window.LoadPostingSheet();
    m_ui.RunModal(window);
}

void TFormMain::tbtnViewClick() {
    if (ItemChosen(DocumentPage::Templates)) {
        m_state.CurrentTemplateName = CurrentName(DocumentPage::Templates);
        m_state.CurrentTemplatePath =
            DocumentPath(m_state, DocumentPage::Templates, m_state.CurrentTemplateName);
        ReadGradeFileHeader(m_state, m_state.CurrentTemplatePath);
        OpenFilterWindow(m_state.CurrentTemplatePath);
        return;
    }
    for (DocumentPage page : {DocumentPage::OutBox, DocumentPage::InBox}) {
        if (!ItemChosen(page))
            continue;
        m_state.CurrentFileName = CurrentName(page);
        m_state.CurrentFilePath = DocumentPath(m_state, page, m_state.CurrentFileName);
        ReadGradeFileHeader(m_state, m_state.CurrentFilePath);
        TFormViewTable window(m_state, m_ui, this);
        connect(&window, &TFormViewTable::DocumentsChanged, this, [this] {
            RefreshOutBox();
            RefreshInBox();
        });
        window.LoadViewerSheet();
        m_ui.RunModal(window);
        return;
    }
}

void TFormMain::OfferToReceive(const QString& path) {
    const QString source = QFileInfo(path).absoluteFilePath();
    if (m_ui.ShowMessage(MessageIcon::Question,
                         QStringLiteral("Θέλετε να παραλάβετε το Αρχείο \"") + source +
                             QStringLiteral("\" στα αρχεία προς Καταχώρηση;"),
                         MessageButtons::YesNo) == MessageAnswer::Yes) {
        m_state.LastReceiveFolder = QFileInfo(source).absolutePath();
        ReceiveGradeFileFrom(m_state, m_state, m_ui, source);
    }
    RefreshAll();
}

bool TFormMain::FormClose() {
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        m_state.MainPlacement = WindowPlacer::Save(*this);
    m_state.SplitW = m_left->width();
    StoreColumnWidths();
    const auto answer = m_ui.ShowMessage(MessageIcon::Warning,
                                         QStringLiteral("Πρόκειται να εγκαταλείψετε το \"") +
                                             Program::ProgramName + QStringLiteral("\"!"),
                                         MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok)
        return false;
    SaveSettings(m_state, m_state.DBPath);
    m_state.MorvenDataBase().Close();
    return true;
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

} // namespace ekaldo
