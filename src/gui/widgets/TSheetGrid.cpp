#include "gui/widgets/TSheetGrid.h"

#include "base/ProgramConstants.h"
#include "core/exchange/GradeSheet.h"
#include "core/exchange/GradeSheetModel.h"
#include "gui/TDatModImages.h"
#include "report/PaintHelpers.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <optional>

namespace ekaldo {
namespace {

const QColor kNavy(0x00, 0x00, 0x80);
const QColor kMaroon(0x80, 0x00, 0x00);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kErrorGround(0xFF, 0xFF, 0x00);
const QColor kChangeGround(0xCC, 0xF2, 0xCC);
const QColor kRefusedGround(0xF7, 0xB2, 0x67);

// Distances of the sheet grids' texts from their cell's edges.
constexpr int kTextIn = 2;
constexpr int kTextDown = 2;
constexpr int kSubjectTextIn = 4;
constexpr int kTitleAboveBottom = 15;
constexpr int kUpwardTitleAboveBottom = 3;
constexpr int kCrossDown = 3;

QStringView ValueOf(QStringView cell) {
    const qsizetype bar = cell.indexOf(QLatin1Char('|'));
    return bar < 0 ? cell : cell.left(bar);
}

QStringView StateOf(QStringView cell) {
    const qsizetype bar = cell.indexOf(QLatin1Char('|'));
    return bar < 0 ? QStringView() : cell.sliced(bar + 1);
}

void TextAt(QPainter& painter, const QRect& cell, int in, int down, QStringView text, const QColor& color) {
    painter.setPen(color);
    painter.drawText(QRect(cell.left() + in, cell.top() + down, std::max(cell.width() - in, 0),
                           std::max(cell.height() - down, 0)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text.toString());
}

// Right-aligned so that the text ends `right` pixels left of the cell's right edge.
void TextRightAligned(QPainter& painter, const QRect& cell, int right, int top, const QString& text,
                      const QColor& color) {
    painter.setPen(color);
    painter.drawText(QRect(cell.left(), top, std::max(cell.width() - right, 0), cell.bottom() - top + 1),
                     Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, text);
}

// A posted row with a grade in error, or one the database would not take, is
// not wholly posted.
bool RowHasCellLeftOut(const GradeSheet& sheet, int sheetRow) {
    for (int column = TSheetGrid::kFirstSubjectColumn; column < sheet.ColCount(); ++column)
        if (!StateOf(sheet.CellView(sheetRow, column)).isEmpty())
            return true;
    return false;
}

QFont GridFont() {
    QFont font(Program::GridFontName);
    font.setPixelSize(12);
    return font;
}

} // namespace

// ---- Cells ----

class TSheetGrid::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(TSheetGrid& grid) : QStyledItemDelegate(&grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        painter->save();
        painter->setClipRect(option.rect);
        painter->setFont(m_grid.font());
        m_grid.DrawCell(*painter, option.rect, GradeSheetModel::SheetRow(index.row()), index.column());
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {TSheetGrid::kMinSubjectWidth, TSheetGrid::kDefaultRowHeight};
    }

private:
    TSheetGrid& m_grid;
};

// ---- The title row ----

class TSheetGrid::TitleHeader : public QHeaderView {
public:
    explicit TitleHeader(TSheetGrid& grid) : QHeaderView(Qt::Horizontal, &grid), m_grid(grid) {
        setSectionResizeMode(QHeaderView::Interactive);
        setHighlightSections(false);
        setSectionsClickable(false);
        setMinimumSectionSize(0);
        setFixedHeight(kHeaderHeight);
    }
    // The height is fixed; no title needs measuring.
    QSize sizeHint() const override { return {length(), kHeaderHeight}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        painter->setClipRect(rect);
        painter->setFont(m_grid.font());
        m_grid.DrawTitle(*painter, rect, logicalIndex);
        painter->restore();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QHeaderView::mouseReleaseEvent(event);
        // The end of dragging a subject column's border: every subject column takes its width.
        const int column = logicalIndexAt(event->position().toPoint());
        if (column >= kFirstSubjectColumn && column < count())
            m_grid.SetSubjectColumnWidth(sectionSize(column));
    }

private:
    TSheetGrid& m_grid;
};

// ---- The row numbers, in place of the row keys ----

class TSheetGrid::NumberHeader : public QHeaderView {
public:
    explicit NumberHeader(TSheetGrid& grid) : QHeaderView(Qt::Vertical, &grid), m_grid(grid) {
        setSectionResizeMode(QHeaderView::Fixed);
        setMinimumSectionSize(1);
        setDefaultSectionSize(kDefaultRowHeight);
        setHighlightSections(false);
        setSectionsClickable(true);
    }
    QSize sizeHint() const override { return {m_grid.m_keyWidth, QHeaderView::sizeHint().height()}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        painter->save();
        painter->setClipRect(rect);
        painter->setFont(m_grid.font());
        const int sheetRow = GradeSheetModel::SheetRow(logicalIndex);
        m_grid.DrawRowNumber(*painter, rect, sheetRow, m_grid.CurrentSheetRow() == sheetRow);
        painter->restore();
    }

private:
    TSheetGrid& m_grid;
};

// ---- The grid ----

TSheetGrid::TSheetGrid(SheetGridStyle style, QWidget* parent) : QTableView(parent), m_style(style) {
    setObjectName(QStringLiteral("grdStudents"));
    setFont(GridFont());
    m_titles = new TitleHeader(*this);
    m_numbers = new NumberHeader(*this);
    setHorizontalHeader(m_titles);
    setVerticalHeader(m_numbers);
    setItemDelegate(new Delegate(*this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_titles->setDefaultSectionSize(36);
    if (auto* corner = findChild<QAbstractButton*>())
        corner->installEventFilter(this);
}

TSheetGrid::~TSheetGrid() = default;

void TSheetGrid::SetSheet(const GradeSheet& sheet) {
    auto* old = m_model;
    m_model = new GradeSheetModel(sheet, this);
    setModel(m_model);
    // The current row's number is drawn inverted: it follows the current row.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { m_numbers->viewport()->update(); });
    delete old;
    ApplyHiddenKeyColumn();
    if (m_frozen) {
        m_frozen->SetSheet(sheet);
        LinkFrozenSelection();
    }
}

const GradeSheet* TSheetGrid::Sheet() const {
    return m_model ? &m_model->Sheet() : nullptr;
}

void TSheetGrid::ApplyHiddenKeyColumn() {
    if (m_model && m_model->columnCount() > 0)
        setColumnHidden(0, true);
    m_numbers->setDefaultSectionSize(kDefaultRowHeight);
    updateGeometries();
}

void TSheetGrid::SheetReset() {
    if (!m_model)
        return;
    m_model->SheetReset();
    ApplyHiddenKeyColumn();
    if (m_frozen) {
        m_frozen->SheetReset();
        PlaceFrozenColumns();
    }
}

void TSheetGrid::RowChanged(int sheetRow) {
    if (!m_model)
        return;
    m_model->RowChanged(sheetRow);
    if (m_frozen)
        m_frozen->RowChanged(sheetRow);
    const int row = GradeSheetModel::ModelRow(sheetRow);
    // The row number carries the row's stamp: repaint it too.
    const int y = m_numbers->sectionViewportPosition(row);
    if (y > -kDefaultRowHeight && y < m_numbers->viewport()->height())
        m_numbers->viewport()->update(0, y, m_numbers->viewport()->width(), m_numbers->sectionSize(row));
}

int TSheetGrid::ColumnWidth(int column) const {
    return column == 0 ? m_keyWidth : columnWidth(column);
}

void TSheetGrid::SetColumnWidth(int column, int width) {
    if (m_frozen && column < m_frozenCount)
        m_frozen->SetColumnWidth(column, width);
    if (column == 0) {
        m_keyWidth = std::max(width, 0);
        updateGeometries();
        return;
    }
    setColumnWidth(column, std::max(width, 0));
}

void TSheetGrid::SetDefaultColumnWidth(int width) {
    m_titles->setDefaultSectionSize(width);
}

void TSheetGrid::SetSubjectColumnWidth(int width) {
    width = std::clamp(width, kMinSubjectWidth, kMaxSubjectWidth);
    const int columns = m_model ? m_model->columnCount() : 0;
    for (int c = kFirstSubjectColumn; c < columns; ++c)
        setColumnWidth(c, width);
}

int TSheetGrid::CurrentSheetRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? GradeSheetModel::SheetRow(current.row()) : 0;
}

void TSheetGrid::SetCurrentSheetRow(int sheetRow) {
    if (!m_model)
        return;
    const int row = GradeSheetModel::ModelRow(sheetRow);
    if (row < 0 || row >= m_model->rowCount())
        return;
    int column = 1;
    while (column < m_model->columnCount() && isColumnHidden(column))
        ++column;
    const QModelIndex index = m_model->index(row, std::min(column, m_model->columnCount() - 1));
    // Only up or down: the columns the user scrolled to stay in view.
    const int across = horizontalScrollBar()->value();
    setCurrentIndex(index);
    scrollTo(index);
    horizontalScrollBar()->setValue(across);
}

void TSheetGrid::SetFrozenColumns(int count) {
    m_frozenCount = count;
    if (!m_frozen && count > 1) {
        m_frozen = new TSheetGrid(m_style, this);
        m_frozen->setObjectName(objectName() + QStringLiteral("Fixed"));
        m_frozen->setFocusPolicy(Qt::NoFocus);
        m_frozen->setFrameShape(QFrame::NoFrame);
        m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_frozen->hide();
        if (m_model)
            m_frozen->SetSheet(m_model->Sheet());
        m_frozen->SetColumnWidth(0, m_keyWidth);
        for (int c = 1; m_model && c < std::min(count, m_model->columnCount()); ++c)
            m_frozen->SetColumnWidth(c, columnWidth(c));
        connect(verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(),
                &QScrollBar::setValue);
        connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(),
                &QScrollBar::setValue);
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { SnapToColumnEdge(); });
        connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
            if (column < m_frozenCount)
                m_frozen->SetColumnWidth(column, width);
            PlaceFrozenColumns();
        });
        connect(m_frozen->horizontalHeader(), &QHeaderView::sectionResized, this,
                [this](int column, int, int width) {
                    if (column < m_frozenCount && columnWidth(column) != width)
                        setColumnWidth(column, width);
                });
        LinkFrozenSelection();
    }
    PlaceFrozenColumns();
}

void TSheetGrid::LinkFrozenSelection() {
    if (!m_frozen || !m_frozen->selectionModel() || !selectionModel())
        return;
    // The current row is the same in both grids, whichever the user clicks.
    connect(m_frozen->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && CurrentSheetRow() != GradeSheetModel::SheetRow(current.row()))
                    SetCurrentSheetRow(GradeSheetModel::SheetRow(current.row()));
            });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, m_frozen,
            [this](const QModelIndex& current) {
                if (current.isValid() &&
                    m_frozen->CurrentSheetRow() != GradeSheetModel::SheetRow(current.row()))
                    m_frozen->SetCurrentSheetRow(GradeSheetModel::SheetRow(current.row()));
            });
}

void TSheetGrid::PlaceFrozenColumns() {
    if (!m_frozen)
        return;
    const int columns = m_model ? std::min(m_frozenCount, m_model->columnCount()) : 0;
    int width = verticalHeader()->width();
    int shown = 1;
    // Most of the grid stays for the columns that scroll.
    const int room = viewport()->width() * 3 / 5;
    while (shown < columns && width + columnWidth(shown) <= verticalHeader()->width() + room) {
        width += isColumnHidden(shown) ? 0 : columnWidth(shown);
        ++shown;
    }
    if (shown <= 1) {
        m_frozenShown = 0;
        m_frozen->hide();
        return;
    }
    m_frozenShown = shown;
    const int frame = frameWidth();
    m_frozen->setGeometry(frame, frame, width, horizontalHeader()->height() + viewport()->height());
    m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value());
    m_frozen->show();
    m_frozen->raise();
}

void TSheetGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QTableView::scrollTo(index, hint);
    if (!m_frozen || m_frozenShown <= 1 || !index.isValid() || index.column() < m_frozenShown)
        return;
    const int covered = m_frozen->width() - verticalHeader()->width();
    const int left = columnViewportPosition(index.column());
    if (left < covered)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (covered - left));
}

void TSheetGrid::SnapToColumnEdge() {
    if (!m_frozen || m_frozenShown <= 1 || m_snapping)
        return;
    // The first column beside the fixed ones starts at their edge: no sliver
    // of a column half under them.
    const int covered = m_frozen->width() - verticalHeader()->width();
    const int column = columnAt(covered);
    if (column < 0)
        return;
    const int start = columnViewportPosition(column);
    if (start == covered)
        return;
    QScrollBar* bar = horizontalScrollBar();
    const int end = start + columnWidth(column);
    // The nearer edge, unless it lies beyond the end of the scroll.
    int value = bar->value() + (covered - start <= end - covered ? start - covered : end - covered);
    if (value > bar->maximum())
        value = bar->value() + start - covered;
    m_snapping = true;
    bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
    m_snapping = false;
}

void TSheetGrid::updateGeometries() {
    QTableView::updateGeometries();
    PlaceFrozenColumns();
}

void TSheetGrid::SetCellMarks(std::function<bool(int, int)> marked) {
    m_marked = std::move(marked);
    viewport()->update();
}

QRect TSheetGrid::CrossRect(const QRect& cell) {
    const int size = TDatModImages::MarkSize;
    return QRect(cell.left() + (cell.width() - size) / 2, cell.top() + kCrossDown, size, size);
}

void TSheetGrid::DrawCell(QPainter& painter, const QRect& rect, int sheetRow, int column) const {
    const GradeSheet* sheet = Sheet();
    if (!sheet)
        return;
    QStringView text = sheet->CellView(sheetRow, column);
    const bool subject = column >= kFirstSubjectColumn;
    QColor ground = Qt::white;
    if (m_style == SheetGridStyle::Posting && subject) {
        const QStringView state = StateOf(text);
        text = ValueOf(text);
        if (state.startsWith(u"Err"))
            ground = kErrorGround;
        else if (state == u"Refused")
            ground = kRefusedGround;
        else if (m_marked && m_marked(sheetRow, column))
            ground = kChangeGround;
    }
    painter.fillRect(rect, ground);
    if (!subject) {
        TextAt(painter, rect, kTextIn, kTextDown, text, kGrey);
        return;
    }
    if (text == u"-2" || text == u"-1") {
        // Wiped to its ground, so that a subject code in error still shows its yellow.
        painter.fillRect(rect, ground);
        painter.drawPixmap(CrossRect(rect).topLeft(),
                           TDatModImages::Mark(text == u"-2" ? MarkImage::RedCross : MarkImage::YellowCross));
        return;
    }
    switch (m_style) {
    case SheetGridStyle::Filter:
        TextAt(painter, rect, kSubjectTextIn, kTextDown, text, Qt::black);
        break;
    case SheetGridStyle::Viewer:
        TextAt(painter, rect, kTextIn, kTextDown, text, kGrey);
        break;
    case SheetGridStyle::Posting:
        TextAt(painter, rect, kTextIn, kTextDown, text, Qt::black);
        break;
    }
}

void TSheetGrid::DrawRowNumber(QPainter& painter, const QRect& rect, int sheetRow, bool current) const {
    const QColor ground = current ? Qt::black : Qt::white;
    const QColor ink = current ? Qt::white : Qt::black;
    painter.fillRect(rect, ground);
    painter.setPen(Qt::lightGray);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    const QString number = QString::number(sheetRow);
    if (m_style != SheetGridStyle::Posting) {
        TextRightAligned(painter, rect, 2, rect.top() + kTextDown, number, ink);
        return;
    }
    // The number ends where the row's stamp begins.
    const int stampLeft = rect.right() + 1 - 1 - TDatModImages::MarkSize;
    TextRightAligned(painter, rect, rect.right() + 1 - stampLeft, rect.top() + kTextDown, number, ink);
    const GradeSheet* sheet = Sheet();
    if (!sheet)
        return;
    const QStringView state = StateOf(sheet->CellView(sheetRow, 0));
    std::optional<MarkImage> stamp;
    // A row that cannot be posted at all (Err5: no such student, Err6: named twice) is crossed like Err1.
    if (state == u"Err1" || state == u"Err5" || state == u"Err6")
        stamp = MarkImage::RedCross;
    else if (state == u"Err2" || state == u"Err3" || state == u"Err4")
        stamp = MarkImage::YellowCross;
    else if (state == u"Posted")
        stamp = RowHasCellLeftOut(*sheet, sheetRow) ? MarkImage::PartTick : MarkImage::Tick;
    if (stamp)
        painter.drawPixmap(stampLeft, rect.top() + kCrossDown, TDatModImages::Mark(*stamp));
}

void TSheetGrid::DrawTitle(QPainter& painter, const QRect& rect, int column) const {
    painter.fillRect(rect, Qt::white);
    painter.setPen(Qt::lightGray);
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    const GradeSheet* sheet = Sheet();
    if (!sheet)
        return;
    const QString title = sheet->Cell(0, column);
    if (column >= kFirstSubjectColumn) {
        painter.setPen(kMaroon);
        TextOutAngle(painter, rect.left() + kTextIn, rect.bottom() + 1 - kUpwardTitleAboveBottom, title, 900);
        return;
    }
    TextAt(painter,
           QRect(rect.left(), rect.bottom() + 1 - kTitleAboveBottom, rect.width(), kTitleAboveBottom),
           kTextIn, 0, title, kNavy);
}

void TSheetGrid::DrawCornerTitle(QPainter& painter, const QRect& rect) const {
    painter.fillRect(rect, Qt::white);
    painter.setPen(Qt::lightGray);
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    const GradeSheet* sheet = Sheet();
    const QString title = sheet && sheet->RowCount() > 0 ? sheet->Cell(0, 0) : QStringLiteral("α/α");
    TextRightAligned(painter, rect, 2, rect.bottom() + 1 - kTitleAboveBottom, title, kNavy);
}

bool TSheetGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == findChild<QAbstractButton*>()) {
        auto* corner = static_cast<QWidget*>(watched);
        QPainter painter(corner);
        painter.setFont(font());
        DrawCornerTitle(painter, corner->rect());
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

} // namespace ekaldo
