// Commands over the school database's tables.
#include "CliContext.h"

#include "schooldb/SchoolDatabase.h"

namespace ekaldo {
namespace {

// Tabs and line breaks inside a value would break the columns.
QString Cell(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

// The field names, their types, then every record in the table's stored
// order, tab-separated; a null is an empty cell. Dates and times are ISO so
// that scripts can read them.
int DumpTable(CliContext& cli) {
    using namespace schooldb;
    try {
        Session session;
        for (const QString& password : cli.options.value(QStringLiteral("--password")))
            session.AddPassword(password);
        Database database(session);
        database.SetDriverName(QStringLiteral("STANDARD"));
        database.SetParams({QStringLiteral("PATH=") + cli.arguments.at(0)});
        Table table(database);
        table.SetTableName(cli.arguments.at(1));
        table.Open();
        const ParadoxTable& file = table.File();
        QStringList names, types;
        for (int i = 0; i < file.FieldCount(); ++i) {
            const FieldDef& f = file.Field(i);
            names.append(Cell(f.name));
            types.append(f.type == FieldType::Alpha || f.type == FieldType::Bytes
                             ? FieldTypeName(f.type) + QStringLiteral(" %1").arg(f.length)
                         : f.type == FieldType::Bcd
                             ? FieldTypeName(f.type) + QStringLiteral(" %1").arg(f.decimals)
                         : f.IsBlob() ? FieldTypeName(f.type) + QStringLiteral(" %1").arg(f.length - 10)
                                      : FieldTypeName(f.type));
        }
        QString out = names.join(QLatin1Char('\t')) + QLatin1Char('\n') + types.join(QLatin1Char('\t')) +
                      QLatin1Char('\n');
        for (table.First(); !table.Eof(); table.Next()) {
            for (int i = 0; i < table.FieldCount(); ++i) {
                if (i > 0)
                    out += QLatin1Char('\t');
                out += Cell(ValueText(table.Fields(i).Value(), ValueStyle::Iso));
            }
            out += QLatin1Char('\n');
            if (out.size() > (1 << 20)) {
                PrintOut(out);
                out.clear();
            }
        }
        PrintOut(out);
        return 0;
    } catch (const EkaldoError& e) {
        return Fail(e.Message());
    }
}

} // namespace

void AddTableCommands(QList<CliCommand>& commands) {
    commands.append({QStringLiteral("dump-table"), DumpTable});
}

} // namespace ekaldo
