#pragma once

#include "schooldb/ParadoxTable.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace ekaldo::schooldb {

// Writes one Paradox table through pxlib's table creation: the school
// database builder and the tests' fixtures. Values are encoded by the
// engine's own codec, so what is written is what the engine would write.
//
//   TableBuilder("METHOD.DB").Short("METHODID").Number("GRDMIN").Number("GRDMAX")
//       .Key(1).Row({1, 1.0, 20.0}).Write(folder);
class TableBuilder {
public:
    explicit TableBuilder(QString fileName);

    TableBuilder& Alpha(const QString& name, int length);
    TableBuilder& Short(const QString& name);
    TableBuilder& Long(const QString& name);
    TableBuilder& AutoIncrement(const QString& name);
    TableBuilder& Number(const QString& name);
    TableBuilder& Logical(const QString& name);
    TableBuilder& FieldOfType(const QString& name, FieldType type, int length);

    // The first fieldCount fields form the primary key; records are written in key order.
    TableBuilder& Key(int fieldCount);
    TableBuilder& Password(const QString& password);
    TableBuilder& CodePage(int number);

    // Values in field order: QString, integers, double, bool; a null QVariant
    // is a null field. Each row is encoded at once (fields and code page must
    // be set before): a value that does not fit raises DatabaseError here.
    TableBuilder& Row(const QVariantList& values);
    TableBuilder& Rows(const QList<QVariantList>& rows);

    const QString& FileName() const { return m_fileName; }
    const QList<FieldDef>& Fields() const { return m_fields; }
    qsizetype RowCount() const { return m_records.size(); }

    // Creates (or replaces) the table in folder; returns its path. Throws
    // DatabaseError when pxlib refuses or a value does not fit its field.
    QString Write(const QString& folder) const;

private:
    TableCodePage Page() const;

    QString m_fileName;
    QList<FieldDef> m_fields;
    int m_recordSize = 0;
    int m_keyFields = 0;
    QString m_password;
    int m_codePage = 1253;
    QList<QByteArray> m_records;
    QList<QList<FieldValue>> m_keys;
    std::uint32_t m_lastAutoIncrement = 0;
};

FieldValue ToFieldValue(const QVariant& value);

} // namespace ekaldo::schooldb
