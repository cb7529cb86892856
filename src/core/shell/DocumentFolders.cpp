#include "core/shell/DocumentFolders.h"

#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeTemplateFile.h"
#include "core/shell/ProgramSettings.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QLocale>

#include <algorithm>

namespace ekaldo {

QString FolderOf(const ProgramSettings& settings, DocumentPage page) {
    switch (page) {
    case DocumentPage::InBox:
        return settings.ImportsDir;
    case DocumentPage::OutBox:
        return settings.ExportsDir;
    case DocumentPage::Templates:
        return settings.TemplatesDir;
    }
    return {};
}

QString DocumentPath(const ProgramSettings& settings, DocumentPage page, const QString& fileName) {
    return FolderOf(settings, page) + QDir::separator() + fileName;
}

int ColumnCountOf(DocumentPage page) {
    switch (page) {
    case DocumentPage::InBox:
        return 8;
    case DocumentPage::OutBox:
        return 5;
    case DocumentPage::Templates:
        return 4;
    }
    return 0;
}

QString ColumnTitle(int column) {
    static const QStringList titles = {QStringLiteral("α/α"),           QString(),
                                       QStringLiteral("Όνομα Αρχείου"), QStringLiteral("Δημιουργήθηκε"),
                                       QStringLiteral("Απεστάλη"),      QStringLiteral("Συμπληρώθηκε"),
                                       QStringLiteral("Ελήφθη"),        QStringLiteral("Καταχωρήθηκε")};
    return titles.value(column);
}

std::vector<DocumentRow> ListDocuments(const ProgramSettings& settings, DocumentPage page) {
    const bool templates = page == DocumentPage::Templates;
    const QString pattern = templates ? QStringLiteral("*.agt") : QStringLiteral("*.agd");
    std::vector<DocumentRow> rows;
    // Hidden files included; the order is made below, not taken from the file system.
    QDirIterator it(FolderOf(settings, page), {pattern}, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        DocumentRow row;
        row.fileName = it.fileName();
        if (templates) {
            row.created = ReadTemplateHeader(it.filePath()).Created;
        } else {
            const GradeHeader h = ReadGradeHeader(it.filePath());
            row.created = h.Created;
            row.exported = h.Exported;
            row.modified = h.Modified;
            row.imported = h.Imported;
            row.posted = h.Posted;
        }
        rows.push_back(std::move(row));
    }
    SortByName(rows);
    return rows;
}

void SortByName(std::vector<DocumentRow>& rows) {
    // Greek alphabetical order whatever the desktop's language: accents and
    // case do not separate names, and "Τμήμα 2" comes before "Τμήμα 10".
    QCollator collator(QLocale(QLocale::Greek, QLocale::Greece));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::stable_sort(rows.begin(), rows.end(), [&](const DocumentRow& a, const DocumentRow& b) {
        const int order = collator.compare(a.fileName, b.fileName);
        return order != 0 ? order < 0 : a.fileName < b.fileName;
    });
}

int DocumentListModel::Refresh(const ProgramSettings& settings, const QString& rememberedName) {
    SetRows(ListDocuments(settings, m_page));
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (!rememberedName.isEmpty() && m_rows[i].fileName == rememberedName)
            return static_cast<int>(i);
    }
    return 0;
}

void DocumentListModel::SetRows(std::vector<DocumentRow> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

QString DocumentListModel::FileNameAt(int row) const {
    const DocumentRow* r = RowAt(row);
    return r ? r->fileName : QString();
}

const DocumentRow* DocumentListModel::RowAt(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return nullptr;
    return &m_rows[static_cast<std::size_t>(row)];
}

QString DocumentListModel::CellText(int row, int column) const {
    if (column == 0)
        return row >= 0 && row < rowCount() ? QString::number(row + 1) : QString();
    const DocumentRow* r = RowAt(row);
    if (!r)
        return {};
    switch (column) {
    case 2:
        return r->fileName;
    case 3:
        return r->created;
    case 4:
        return m_page == DocumentPage::Templates ? QString() : r->exported;
    case 5:
        return m_page == DocumentPage::InBox ? r->modified : QString();
    case 6:
        return m_page == DocumentPage::InBox ? r->imported : QString();
    case 7:
        return m_page == DocumentPage::InBox ? r->posted : QString();
    default:
        return {};
    }
}

DocumentListModel::RowIcon DocumentListModel::IconOf(int row) const {
    const DocumentRow* r = RowAt(row);
    if (!r)
        return RowIcon::None;
    switch (m_page) {
    case DocumentPage::InBox:
        if (!r->posted.isEmpty())
            return RowIcon::Post;
        return r->modified.isEmpty() ? RowIcon::None : RowIcon::Edit;
    case DocumentPage::OutBox:
        return r->exported.isEmpty() ? RowIcon::None : RowIcon::Get;
    case DocumentPage::Templates:
        return RowIcon::None;
    }
    return RowIcon::None;
}

int DocumentListModel::rowCount(const QModelIndex& parent) const {
    // An empty folder still shows one (empty) row, numbered 1.
    return parent.isValid() ? 0 : std::max<int>(1, static_cast<int>(m_rows.size()));
}

int DocumentListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCountOf(m_page);
}

QVariant DocumentListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    return CellText(index.row(), index.column());
}

QVariant DocumentListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return ColumnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace ekaldo
