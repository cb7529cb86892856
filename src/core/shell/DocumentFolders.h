#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <vector>

namespace ekaldo {

struct ProgramSettings;

// The three document folders of the main window, in the order of its pages.
enum class DocumentPage { InBox = 0, OutBox = 1, Templates = 2 };

// One listed file: its name and the header values its list shows.
struct DocumentRow {
    QString fileName;
    QString created, exported, modified, imported, posted;
};

QString FolderOf(const ProgramSettings& settings, DocumentPage page);
// The path of a listed file; an empty name gives the folder with a separator.
QString DocumentPath(const ProgramSettings& settings, DocumentPage page, const QString& fileName);
int ColumnCountOf(DocumentPage page);
QString ColumnTitle(int column);

// The files of a folder sorted by name, each with its header read: "*.agd"
// with the grade file header, "*.agt" with the template header.
std::vector<DocumentRow> ListDocuments(const ProgramSettings& settings, DocumentPage page);
// By name in Greek alphabetical order, as the office's file lists show them.
void SortByName(std::vector<DocumentRow>& rows);

// The rows of one file list as its grid shows them: column 0 the running
// number, column 1 the state icons (no text), 2 the file name, then the
// header stamps. An empty folder shows one empty row numbered 1.
class DocumentListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DocumentListModel(DocumentPage page, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_page(page) {}

    DocumentPage Page() const { return m_page; }

    // Refills the list from the folder. Returns the row that holds
    // rememberedName, or row 0 when no row does.
    int Refresh(const ProgramSettings& settings, const QString& rememberedName);
    void SetRows(std::vector<DocumentRow> rows);

    // The file name of a row; empty for the empty row of an empty folder.
    QString FileNameAt(int row) const;
    const DocumentRow* RowAt(int row) const;
    // The text of a cell as the list holds it.
    QString CellText(int row, int column) const;

    // The state icon a row shows in column 1: in the InBox the posted icon once
    // posted, else the filled-in icon once the grades are filled in; in the
    // OutBox the sent icon once sent.
    enum class RowIcon { None, Edit, Post, Get };
    RowIcon IconOf(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    DocumentPage m_page;
    std::vector<DocumentRow> m_rows;
};

} // namespace ekaldo
