#pragma once

#include "schooldb/FieldValue.h"
#include "schooldb/ParadoxTable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

struct sqlite3;

namespace ekaldo::schooldb {

// Text order of a Greek reader: case and accents ignored first, the exact
// text as the tie-break, so two different texts never compare equal.
int GreekTextCompare(QStringView a, QStringView b);

// An in-memory SQLite database holding copies of the tables a query names,
// each loaded on first use and again whenever its file changes.
class SqlEngine {
public:
    using Loader = std::function<std::unique_ptr<ParadoxTable>(const QString& tableName)>;
    using PathOf = std::function<QString(const QString& tableName)>;
    SqlEngine(Loader loader, PathOf pathOf);
    ~SqlEngine();

    struct Result {
        QStringList columns;
        QList<QList<FieldValue>> rows;
    };
    // orderColumns: result columns the rows are sorted by, as an ORDER BY on
    // them with the Greek collation would (nulls, then numbers, then texts);
    // rows that tie keep their order. Faster than SQLite's own sort, which
    // unpacks two records and calls the collation for every column of every
    // comparison; here each distinct text is placed once.
    Result Run(const QString& sql, const QVariantList& positional, const QVariantMap& named,
               const QStringList& orderColumns = {});
    // A loaded table is read again when its file's size, time or inode
    // changed. A file system that keeps whole seconds (a network share, FAT)
    // gives two writes within one second the same time: the tables stamped
    // so are forgotten here, to be read again by the next query.
    void ForgetWholeSecondStamps();

private:
    struct FileStamp {
        qint64 size = -1;
        qint64 mtimeNs = 0;
        quint64 inode = 0;
        bool operator==(const FileStamp&) const = default;
    };
    void Load(const QString& tableName);

    struct Closer {
        void operator()(sqlite3* db) const;
    };
    std::unique_ptr<sqlite3, Closer> m_db;
    Loader m_loader;
    PathOf m_pathOf;
    QHash<QString, FileStamp> m_loaded; // by upper-case table name
};

} // namespace ekaldo::schooldb
