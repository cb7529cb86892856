#include "shell/TFormMain.h"

#include "exchange/GradeDataFile.h"
#include "platform/UiServices.h"
#include "review/TFormPostTable.h"
#include "review/TFormViewTable.h"
#include "compose/TFormExpoFilter.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/SchoolYears.h"
#include "schooldb/TDataManager.h"
#include "shell/AppState.h"
#include "shell/DocumentTransfer.h"
#include "shell/ProgramConstants.h"
#include "shell/Settings.h"
#include "shell/TAboutForm.h"
#include "shell/TDatModImages.h"
#include "shell/TParamForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

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

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
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
            case DocumentListModel::RowIcon::Edit: image = StateImage::Edit; break;
            case DocumentListModel::RowIcon::Post: image = StateImage::Post; break;
            case DocumentListModel::RowIcon::Get: image = StateImage::Get; break;
            default: return;
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

QToolButton* TFormMain::AddButton(QToolBar* bar, const char* name, int image, const QString& hint) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(TDatModImages::ToolIcon(static_cast<ToolImage>(image)));
    button->setIconSize(QSize(27, 27));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    bar->addWidget(button);
    m_buttons.append(button);
    return button;
}

QToolButton* TFormMain::Button(const QString& name) const {
    for (QToolButton* b : m_buttons) {
        if (b->objectName() == name)
            return b;
    }
    return nullptr;
}

TAboutForm* TFormMain::Banner() const { return findChild<TAboutForm*>(QStringLiteral("AboutForm")); }

void TFormMain::BuildLayout() {
    setWindowIcon(TDatModImages::AppIcon());

    // Top: the window commands and the open school year.
    auto* top = new QWidget;
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(4, 2, 4, 4);
    topLayout->setSpacing(2);
    auto* windowBar = new QToolBar;
    AddButton(windowBar, "tbtnHelp", int(ToolImage::Help), QStringLiteral("Βοήθεια"));
    AddButton(windowBar, "tbtnParams", int(ToolImage::Params), QStringLiteral("Παράμετροι"));
    AddButton(windowBar, "tbtnFolders", int(ToolImage::Folders), QStringLiteral("Φάκελοι"));
    AddButton(windowBar, "tbtnExit", int(ToolImage::Exit), QStringLiteral("Έξοδος"));
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
    AddButton(fileBar, "tbtnNewItem", int(ToolImage::NewItem), QStringLiteral("Νέο Αρχείο"));
    QToolButton* exportButton =
        AddButton(fileBar, "tbtnExportItem", int(ToolImage::ExportItem), QStringLiteral("Αποστολή Αρχείου"));
    // Sending as a spreadsheet workbook sits under the send button's arrow.
    auto* exportMenu = new QMenu(exportButton);
    exportMenu->addAction(QStringLiteral("Αποστολή Αρχείου"), this, &TFormMain::tbtnExportItemClick);
    QAction* workbook = exportMenu->addAction(QStringLiteral("Αποστολή ως Λογιστικό Φύλλο"), this,
                                              &TFormMain::tbtnExportWorkbookClick);
    workbook->setObjectName(QStringLiteral("actExportWorkbook"));
    exportButton->setMenu(exportMenu);
    exportButton->setPopupMode(QToolButton::MenuButtonPopup);
    AddButton(fileBar, "tbtnImportItem", int(ToolImage::ImportItem), QStringLiteral("Λήψη Αρχείου"));
    AddButton(fileBar, "tbtnDeleteItem", int(ToolImage::DeleteItem), QStringLiteral("Διαγραφή Αρχείου"));
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
    AddButton(sheetBar, "tbtnRun", int(ToolImage::Run), QStringLiteral("Επεξεργασία Αρχείου"));
    AddButton(sheetBar, "tbtnView", int(ToolImage::View), QStringLiteral("Επισκόπηση"));
    rightLayout->addWidget(sheetBar);
    m_book = new QStackedWidget;
    for (int p = 0; p < 3; ++p) {
        auto* page = new QWidget;
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->setSpacing(0);
        auto* title = new QLabel;
        title->setStyleSheet(QStringLiteral("QLabel { background: #000080; color: white; font-weight: bold; padding: 3px; }"));
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

    connect(Button(QStringLiteral("tbtnHelp")), &QToolButton::clicked, this, &TFormMain::tbtnHelpClick);
    connect(Button(QStringLiteral("tbtnParams")), &QToolButton::clicked, this, &TFormMain::tbtnParamsClick);
    connect(Button(QStringLiteral("tbtnFolders")), &QToolButton::clicked, this, &TFormMain::tbtnFoldersClick);
    connect(Button(QStringLiteral("tbtnExit")), &QToolButton::clicked, this, &QWidget::close);
    connect(Button(QStringLiteral("tbtnNewItem")), &QToolButton::clicked, this, &TFormMain::tbtnNewItemClick);
    connect(Button(QStringLiteral("tbtnExportItem")), &QToolButton::clicked, this, &TFormMain::tbtnExportItemClick);
    connect(Button(QStringLiteral("tbtnImportItem")), &QToolButton::clicked, this, &TFormMain::tbtnImportItemClick);
    connect(Button(QStringLiteral("tbtnDeleteItem")), &QToolButton::clicked, this, &TFormMain::tbtnDeleteItemClick);
    connect(Button(QStringLiteral("tbtnRun")), &QToolButton::clicked, this, &TFormMain::tbtnRunClick);
    connect(Button(QStringLiteral("tbtnView")), &QToolButton::clicked, this, &TFormMain::tbtnViewClick);
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { lstvInOutDocsChange(); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { lstvInOutDocsChange(); });
}

void TFormMain::FormCreate() {
    m_helpFile = m_state.HelpFilePath();
    setWindowTitle(Program::MainCaption);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    BuildLayout();

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
    LoadSettings(m_state);
    const WindowPlacement& p = m_state.MainPlacement;
    setGeometry(p.x, p.y, p.w, p.h);
    m_splitter->setSizes({m_state.SplitW, std::max(1, p.w - m_state.SplitW)});
    ApplyColumnWidths();
    RefreshInBox();
    RefreshOutBox();
    RefreshTemplates();
}

void TFormMain::ApplyColumnWidths() {
    auto apply = [](QTableView* grid, const auto& stored) {
        grid->setColumnWidth(0, kDefaultWidths[0]);
        grid->setColumnWidth(1, kDefaultWidths[1]);
        for (std::size_t i = 0; i < stored.size(); ++i)
            grid->setColumnWidth(int(i) + 2, stored[i]);
    };
    apply(m_grids[0], m_state.InBoxWidths);
    apply(m_grids[1], m_state.OutBoxWidths);
    apply(m_grids[2], m_state.TemplateWidths);
    m_grids[0]->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
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

void TFormMain::ShowSchoolYear() { m_edtSchoolYear->setText(m_state.SchoolYearLabel); }

void TFormMain::CloseSchoolYear() {
    ekaldo::CloseSchoolYear(m_state);
    ShowSchoolYear();
}

void TFormMain::Refresh(DocumentPage page) {
    const auto i = static_cast<std::size_t>(page);
    QTableView* grid = m_grids[i];
    const QString remembered = m_models[i]->FileNameAt(grid->currentIndex().row());
    const int row = m_models[i]->Refresh(m_state, remembered);
    grid->setCurrentIndex(m_models[i]->index(row, 2));
    grid->selectRow(row);
}

void TFormMain::RefreshInBox() { Refresh(DocumentPage::InBox); }
void TFormMain::RefreshOutBox() { Refresh(DocumentPage::OutBox); }
void TFormMain::RefreshTemplates() { Refresh(DocumentPage::Templates); }

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
        Button(QString::fromLatin1(name))->setEnabled(false);
    const bool yearOpen = m_state.SchoolYearOpen();
    if (ItemChosen(DocumentPage::InBox)) {
        Button(QStringLiteral("tbtnImportItem"))->setEnabled(true);
        Button(QStringLiteral("tbtnView"))->setEnabled(true);
        Button(QStringLiteral("tbtnRun"))->setEnabled(yearOpen);
    }
    if (ItemChosen(DocumentPage::OutBox)) {
        Button(QStringLiteral("tbtnExportItem"))->setEnabled(true);
        Button(QStringLiteral("tbtnView"))->setEnabled(true);
    }
    if (ItemChosen(DocumentPage::Templates)) {
        Button(QStringLiteral("tbtnNewItem"))->setEnabled(yearOpen);
        Button(QStringLiteral("tbtnView"))->setEnabled(yearOpen);
    }
}

void TFormMain::lstvInOutDocsChange() {
    UpdateCommandButtons();
    const int row = m_list->currentRow();
    if (row >= 0 && row < 3)
        m_book->setCurrentIndex(row);
}

void TFormMain::tbtnHelpClick() { m_ui.ShowHelp(1000); }

void TFormMain::tbtnParamsClick() {
    TParamForm form(m_state, m_ui, [this] { CloseSchoolYear(); }, this);
    m_ui.RunModal(form);
    UpdateCommandButtons();
}

void TFormMain::tbtnFoldersClick() {
    TDataManager manager(m_state, m_ui, [this] {
        ShowSchoolYear();
        UpdateCommandButtons();
    }, this);
    m_ui.RunModal(manager);
}

void TFormMain::OpenFilterWindow(const QString& templatePath) {
    TFormExpoFilter filter(m_state, m_ui, [this] { RefreshOutBox(); }, [this] { RefreshTemplates(); }, this);
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
    SendGradeFile(m_state, m_ui, CurrentName(DocumentPage::OutBox));
    RefreshAll();
}

void TFormMain::tbtnExportWorkbookClick() {
    SendGradeWorkbook(m_state, m_ui, CurrentName(DocumentPage::OutBox));
    RefreshAll();
}

void TFormMain::tbtnImportItemClick() {
    ReceiveGradeFile(m_state, m_ui);
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
    TFormPostTable window(m_state, m_ui, [this] { RefreshInBox(); }, this);
    window.LoadPostingSheet();
    m_ui.RunModal(window);
}

void TFormMain::tbtnViewClick() {
    if (ItemChosen(DocumentPage::Templates)) {
        m_state.CurrentTemplateName = CurrentName(DocumentPage::Templates);
        m_state.CurrentTemplatePath = DocumentPath(m_state, DocumentPage::Templates, m_state.CurrentTemplateName);
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
        TFormViewTable window(m_state, m_ui, [this] {
            RefreshOutBox();
            RefreshInBox();
        }, this);
        window.LoadViewerSheet();
        m_ui.RunModal(window);
        return;
    }
}

bool TFormMain::FormClose() {
    const QRect g = geometry();
    m_state.MainPlacement = {g.x(), g.y(), g.width(), g.height()};
    m_state.SplitW = m_left->width();
    StoreColumnWidths();
    const auto answer = m_ui.ShowMessage(MessageIcon::Warning,
                                         QStringLiteral("Πρόκειται να εγκαταλείψετε το \"") +
                                             Program::ProgramName + QStringLiteral("\"!"),
                                         MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok)
        return false;
    SaveSettings(m_state);
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
