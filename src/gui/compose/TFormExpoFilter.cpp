#include "gui/compose/TFormExpoFilter.h"

#include "base/FileErrors.h"
#include "base/SharedRoutines.h"
#include "base/UiServices.h"
#include "core/compose/ColumnSettings.h"
#include "core/compose/SheetClipboard.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheetModel.h"
#include "core/exchange/GradeTemplateFile.h"
#include "core/shell/AppState.h"
#include "gui/TDatModImages.h"
#include "gui/compose/TFormSave.h"
#include "gui/compose/TFormTableSort.h"
#include "gui/print/PrintGrid.h"
#include "gui/shell/WindowPlacer.h"
#include "gui/widgets/ProgressBarSink.h"
#include "gui/widgets/TSheetGrid.h"
#include "schooldb/SchoolDatabase.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace ekaldo {
namespace {

constexpr SelectionKind kKinds[] = {SelectionKind::Levels, SelectionKind::Classes, SelectionKind::Courses,
                                    SelectionKind::Subjects};

// The tick cell: the plain tick, or the greyed one for a row an all row overrides.
class TickDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (index.column() != 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->fillRect(option.rect, Qt::white);
        if (index.data().toString() != QStringLiteral("1"))
            return;
        const bool greyed = index.data(Qt::UserRole).toBool();
        painter->drawPixmap(option.rect.topLeft() + QPoint(3, 3),
                            TDatModImages::Mark(greyed ? MarkImage::GreyTick : MarkImage::Tick));
    }
};

} // namespace

TFormExpoFilter::TFormExpoFilter(AppState& state, UiServices& ui, QWidget* parent)
    : CompositionDialog(parent), m_state(state), m_ui(ui) {
    setObjectName(QStringLiteral("FormExpoFilter"));
    setWindowTitle(QStringLiteral("Φίλτρο Μαθητών"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    BuildLayout();
    WindowPlacer::Restore(*this, m_state.FilterPlacement);
    m_fileName->setText(m_state.CurrentTemplateName);
}

QToolButton* TFormExpoFilter::Button(const QString& name) const {
    return m_tools.Button(name);
}

QTableView* TFormExpoFilter::SelectionView(SelectionKind kind) const {
    return m_views[static_cast<std::size_t>(kind)];
}

void TFormExpoFilter::BuildLayout() {
    auto* bar = new QToolBar;
    auto add = [&](const char* name, ToolImage image, const QString& hint) {
        return m_tools.Add(bar, name, image, hint);
    };
    auto* help = add("tbtnHelp", ToolImage::Help, QStringLiteral("Βοήθεια"));
    auto* saveTemplate =
        add("tbtnSaveTemplate", ToolImage::SaveTemplate, QStringLiteral("Αποθήκευση ως Υπόδειγμα"));
    auto* saveTable =
        add("tbtnSaveTable", ToolImage::Save, QStringLiteral("Αποθήκευση ως Νέο Αρχείο Βαθμολογίας"));
    auto* fields = add("tbtnFields", ToolImage::Columns, QStringLiteral("Πεδία Πίνακα"));
    auto* sort = add("tbtnSort", ToolImage::Sort, QStringLiteral("Διάταξη Πίνακα"));
    auto* copy = add("tbtnCopyTable", ToolImage::Copy, QStringLiteral("Αντιγραφή"));
    auto* print = add("tbtnPrintTable", ToolImage::Print, QStringLiteral("Εκτύπωση"));
    connect(help, &QToolButton::clicked, this, [this] { m_ui.ShowHelp(1040); });
    connect(saveTemplate, &QToolButton::clicked, this, &TFormExpoFilter::tbtnSaveTemplateClick);
    connect(saveTable, &QToolButton::clicked, this, &TFormExpoFilter::tbtnSaveTableClick);
    connect(fields, &QToolButton::clicked, this, &TFormExpoFilter::tbtnFieldsClick);
    connect(sort, &QToolButton::clicked, this, &TFormExpoFilter::tbtnSortClick);
    connect(copy, &QToolButton::clicked, this, &TFormExpoFilter::CopySheetToClipboard);
    auto* printMenu = new QMenu(this);
    printMenu->addAction(QStringLiteral("Εκτύπωση"), this, &TFormExpoFilter::PrintSheet);
    printMenu->addAction(QStringLiteral("Εκτυπωτής"), this, [this] { PrinterSetup(m_state, m_ui); });
    connect(print, &QToolButton::clicked, this,
            [print, printMenu] { printMenu->popup(print->mapToGlobal(QPoint(0, print->height()))); });

    m_fileName = new QLineEdit;
    m_fileName->setObjectName(QStringLiteral("edtExpoFileName"));

    // The four selection grids under a header control whose sections size their panels.
    auto* titles = new QStandardItemModel(0, 4, this);
    titles->setHorizontalHeaderLabels({QStringLiteral("Επίπεδο"), QStringLiteral("Τάξεις"),
                                       QStringLiteral("Τμήματα"), QStringLiteral("Μαθήματα")});
    m_header = new QHeaderView(Qt::Horizontal);
    m_header->setObjectName(QStringLiteral("hdrFilterTables"));
    m_header->setModel(titles);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setStretchLastSection(true);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_header->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_header->setFixedHeight(m_header->sizeHint().height());
    auto* grids = new QHBoxLayout;
    grids->setContentsMargins(0, 0, 0, 0);
    grids->setSpacing(0);
    static const char* names[] = {"grdLevels", "grdClasses", "grdCourses", "grdSubjects"};
    for (SelectionKind kind : kKinds) {
        const auto i = static_cast<std::size_t>(kind);
        m_models[i] = new SelectionGridModel(m_composition.Grid(kind), this);
        auto* view = new QTableView;
        view->setObjectName(QString::fromLatin1(names[i]));
        view->setModel(m_models[i]);
        view->setItemDelegate(new TickDelegate(view));
        view->horizontalHeader()->hide();
        view->verticalHeader()->hide();
        view->verticalHeader()->setMinimumSectionSize(17);
        view->verticalHeader()->setDefaultSectionSize(17);
        view->horizontalHeader()->setMinimumSectionSize(17);
        view->setColumnWidth(0, 17);
        view->horizontalHeader()->setStretchLastSection(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setShowGrid(false);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // A click ticks or clears a row; so does a double click, whose first
        // click has done it already.
        connect(view, &QTableView::clicked, this, [this, kind](const QModelIndex& index) {
            ToggleRow(kind, SelectionGridModel::GridRow(index.row()));
            m_lastClick = {kind, index.row()};
            m_lastClickTime.start();
        });
        connect(view, &QTableView::doubleClicked, this, [this, kind](const QModelIndex& index) {
            const bool clicked = m_lastClickTime.isValid() && m_lastClick == std::pair(kind, index.row()) &&
                                 m_lastClickTime.elapsed() <= QApplication::doubleClickInterval();
            m_lastClickTime.invalidate();
            if (!clicked)
                ToggleRow(kind, SelectionGridModel::GridRow(index.row()));
        });
        view->installEventFilter(this);
        m_views[i] = view;
        grids->addWidget(view, kind == SelectionKind::Subjects ? 1 : 0);
    }
    m_header->resizeSection(0, m_state.LevelW);
    m_header->resizeSection(1, m_state.ClassW);
    m_header->resizeSection(2, m_state.CourseW);
    PanelsFromHeader(0);
    connect(m_header, &QHeaderView::sectionResized, this, [this](int section) { PanelsFromHeader(section); });

    m_band = new QWidget;
    m_band->setMinimumHeight(60);
    auto* bandLayout = new QVBoxLayout(m_band);
    bandLayout->setContentsMargins(0, 0, 0, 0);
    bandLayout->setSpacing(0);
    bandLayout->addWidget(m_header);
    bandLayout->addLayout(grids, 1);

    m_sheetGrid = new TSheetGrid(SheetGridStyle::Filter);
    m_sheetGrid->setObjectName(QStringLiteral("grdStudents"));
    m_sheetGrid->SetSheet(m_composition.Sheet);
    m_sheetGrid->horizontalHeader()->setSectionsMovable(true);
    m_sheetGrid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // A second grid over the first one's left part shows the fixed columns,
    // which stay in place while the rest scrolls sideways.
    m_frozen = new TSheetGrid(SheetGridStyle::Filter, m_sheetGrid);
    m_frozen->setObjectName(QStringLiteral("grdStudentsFixed"));
    m_frozen->SetSheet(m_composition.Sheet);
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->hide();
    connect(m_sheetGrid->verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, m_sheetGrid->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_sheetGrid->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (!m_frozen)
                    return;
                if (column < m_frozen->SheetModel()->columnCount())
                    m_frozen->SetColumnWidth(column, width);
                PlaceFrozenColumns();
            });
    connect(m_frozen->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_sheetGrid && current.isValid())
                    m_sheetGrid->SetCurrentSheetRow(GradeSheetModel::SheetRow(current.row()));
            });
    connect(m_sheetGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (m_frozen && current.isValid() &&
                    m_frozen->CurrentSheetRow() != GradeSheetModel::SheetRow(current.row()))
                    m_frozen->SetCurrentSheetRow(GradeSheetModel::SheetRow(current.row()));
            });
    m_sheetGrid->installEventFilter(this);

    m_splitter = new QSplitter(Qt::Vertical);
    m_splitter->addWidget(m_band);
    m_splitter->addWidget(m_sheetGrid);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({m_state.SplitH, std::max(100, m_state.FilterPlacement.h - m_state.SplitH)});

    m_count = new QLabel;
    m_count->setObjectName(QStringLiteral("pnlStudentCnt"));
    m_progress = new QProgressBar;
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_progress);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->addWidget(bar);
    layout->addWidget(new QLabel(QStringLiteral("Ονομασία Αρχείου")));
    layout->addWidget(m_fileName);
    layout->addWidget(m_splitter, 1);
    layout->addLayout(bottom);
}

void TFormExpoFilter::PanelsFromHeader(int section) {
    // A resized section sets the panels from it rightwards; the subjects take the rest.
    for (int i = std::min(section, 2); i < 3; ++i)
        m_views[static_cast<std::size_t>(i)]->setFixedWidth(m_header->sectionSize(i));
}

void TFormExpoFilter::FillGrids() {
    FillSelectionGrids(m_composition, m_state.MorvenDataBase());
    for (auto* model : m_models)
        model->Reload();
}

void TFormExpoFilter::ApplyTemplate(const QString& path) {
    ClearSelections(m_composition);
    ReadTemplateSelections(m_composition, path);
    for (auto* model : m_models)
        model->TicksChanged();
}

void TFormExpoFilter::ComposeSheet() {
    ProgressBarSink progress(*m_progress);
    try {
        ekaldo::ComposeSheet(m_composition, m_state, m_order, Program::kGradingScheme, &progress);
    } catch (...) {
        // The window stays open with what was filled; the error goes on to the general report.
        ShowSheet();
        throw;
    }
    ShowSheet();
}

void TFormExpoFilter::ShowSheet() {
    m_sheetGrid->SheetReset();
    m_frozen->SheetReset();
    // A composition lays the columns out again, whatever the user dragged where.
    QHeaderView* header = m_sheetGrid->horizontalHeader();
    for (int logical = 0; logical < header->count(); ++logical) {
        if (header->visualIndex(logical) != logical)
            header->moveSection(header->visualIndex(logical), logical);
    }
    for (int c = 0; c < m_composition.ColumnWidths.size(); ++c) {
        m_sheetGrid->SetColumnWidth(c, m_composition.ColumnWidths[c]);
        m_frozen->SetColumnWidth(c, m_composition.ColumnWidths[c]);
    }
    for (int c = 1; c < m_composition.Sheet.ColCount(); ++c)
        m_frozen->setColumnHidden(c, c >= m_composition.GridFixedColumns);
    PlaceFrozenColumns();
    m_count->setText(m_composition.CountLine);
}

void TFormExpoFilter::PlaceFrozenColumns() {
    if (!m_frozen)
        return;
    const int fixed = m_composition.GridFixedColumns;
    if (fixed <= 1) {
        m_frozen->hide();
        return;
    }
    int width = m_sheetGrid->verticalHeader()->width();
    for (int c = 1; c < fixed; ++c)
        width += m_sheetGrid->ColumnWidth(c);
    const int frame = m_sheetGrid->frameWidth();
    m_frozen->setGeometry(frame, frame, std::min(width, m_sheetGrid->viewport()->width()),
                          m_sheetGrid->horizontalHeader()->height() + m_sheetGrid->viewport()->height());
    m_frozen->verticalScrollBar()->setValue(m_sheetGrid->verticalScrollBar()->value());
    m_frozen->show();
    m_frozen->raise();
}

bool TFormExpoFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        for (SelectionKind kind : kKinds) {
            QTableView* view = m_views[static_cast<std::size_t>(kind)];
            if (watched == view && view->currentIndex().isValid()) {
                ToggleRow(kind, SelectionGridModel::GridRow(view->currentIndex().row()));
                return true;
            }
        }
    }
    if (watched == m_sheetGrid && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        PlaceFrozenColumns();
    return QDialog::eventFilter(watched, event);
}

void TFormExpoFilter::ToggleRow(SelectionKind kind, int gridRow) {
    m_composition.Grid(kind).Toggle(gridRow);
    m_models[static_cast<std::size_t>(kind)]->TicksChanged();
    ComposeSheet();
}

std::optional<QString> TFormExpoFilter::AskSaveName(const QString& hint, const QString& folder,
                                                    const QString& mask, const QString& extension) {
    QString name;
    {
        TFormSave dialog(hint + QStringLiteral(".."), folder, mask,
                         WithExtension(m_fileName->text(), extension), this);
        if (m_ui.RunModal(dialog) != QDialog::Accepted)
            return std::nullopt;
        name = WithExtension(dialog.SaveAsFileEdit()->text(), extension);
    }
    return name;
}

void TFormExpoFilter::tbtnSaveTableClick() {
    const auto name = AskSaveName(QStringLiteral("Αποθήκευση ως Νέο Αρχείο Βαθμολογίας"), m_state.ExportsDir,
                                  QStringLiteral("*.agd"), QStringLiteral(".agd"));
    if (!name)
        return;
    const QString path = AddTrailingBackslash(m_state.ExportsDir) + *name;
    if (QFileInfo::exists(path) && m_ui.ShowMessage(MessageIcon::Question,
                                                    FileMessage(path, QStringLiteral(" υπάρχει!")) +
                                                        QStringLiteral("\nΘέλετε να το επικαλύψετε;"),
                                                    MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    m_state.CurrentFileName = *name;
    m_state.CurrentFilePath = path;
    WriteGradeDataFile(path, *name, m_composition.Sheet, SchoolYearOfLabel(m_state.SchoolYearLabel), m_ui);
    Q_EMIT OutBoxChanged();
}

void TFormExpoFilter::tbtnSaveTemplateClick() {
    const auto name = AskSaveName(QStringLiteral("Αποθήκευση ως Υπόδειγμα"), m_state.TemplatesDir,
                                  QStringLiteral("*.agt"), QStringLiteral(".agt"));
    if (!name)
        return;
    const QString path = AddTrailingBackslash(m_state.TemplatesDir) + *name;
    if (QFileInfo::exists(path) && m_ui.ShowMessage(MessageIcon::Question,
                                                    FileMessage(path, QStringLiteral(" υπάρχει!")) +
                                                        QStringLiteral("\nΘέλετε να το επικαλύψετε;"),
                                                    MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    m_state.CurrentTemplateName = *name;
    m_state.CurrentTemplatePath = path;
    WriteTemplateFile(path, *name, m_composition, m_ui);
    Q_EMIT TemplatesChanged();
}

void TFormExpoFilter::tbtnSortClick() {
    bool accepted = false;
    {
        TFormTableSort dialog(m_ui, m_order.SortOrder, this);
        accepted = m_ui.RunModal(dialog) == QDialog::Accepted;
        if (accepted)
            m_order.SortOrder = dialog.SortOrder();
    }
    if (accepted)
        ComposeSheet();
}

void TFormExpoFilter::tbtnFieldsClick() {
    bool accepted = false;
    {
        TFormTableFields dialog(m_ui, m_order.ColumnOrder, m_composition.PeriodIndex,
                                m_composition.GridFixedColumns, m_composition.Sheet.ColCount() > 8, this);
        accepted = m_ui.RunModal(dialog) == QDialog::Accepted;
        if (accepted) {
            m_order.ColumnOrder = dialog.ColumnOrder();
            m_composition.FixedColCount = dialog.FixedColumns();
            m_composition.PeriodIndex = dialog.PeriodIndex();
        }
    }
    if (accepted)
        ComposeSheet();
}

void TFormExpoFilter::CopySheetToClipboard() {
    bool complete = true;
    const QString text = SheetClipboardText(m_composition.Sheet, complete);
    if (!complete)
        m_ui.Information(QStringLiteral("Δεν μπορούν να αντιγραφούν όλα τα δεδομένα!"));
    QGuiApplication::clipboard()->setText(text);
    m_ui.Information(QStringLiteral("Η Αντιγραφή στο Σημειωματάριο (Clipboard) ολοκληρώθηκε!"));
}

void TFormExpoFilter::PrintSheet() {
    QList<int> widths;
    for (int c = 0; c < m_composition.Sheet.ColCount(); ++c)
        widths << m_sheetGrid->ColumnWidth(c);
    // A composed sheet belongs to the open school year, whatever file was read last.
    PrintGrid(m_state, m_ui, this, m_composition.Sheet, widths, m_fileName->text(),
              SchoolYearOfLabel(m_state.SchoolYearLabel));
}

void TFormExpoFilter::done(int result) {
    // Only a window in its normal state keeps its place and pane sizes.
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        m_state.FilterPlacement = WindowPlacer::Save(*this);
        m_state.SplitH = m_band->height();
        m_state.LevelW = m_header->sectionSize(0);
        m_state.ClassW = m_header->sectionSize(1);
        m_state.CourseW = m_header->sectionSize(2);
    }
    QDialog::done(result);
}

} // namespace ekaldo
