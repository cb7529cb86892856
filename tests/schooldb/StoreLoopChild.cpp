// Stores one record of a table again and again until it is killed: the
// writer of the kill test. Arguments: folder, table, record number (from 0),
// password or "-". Says "ready" once the first store is done.
#include "schooldb/SchoolDatabase.h"

#include <QCoreApplication>

#include <cstdio>

using namespace ekaldo::schooldb;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    Session session;
    if (args[4] != QStringLiteral("-"))
        session.AddPassword(args[4]);
    Database db(session);
    db.SetParams({QStringLiteral("PATH=") + args[1]});
    Table table(db);
    table.SetTableName(args[2]);
    table.Open();
    for (int i = args[3].toInt(); i > 0; --i)
        table.Next();
    for (qint64 n = 1;; ++n) {
        table.Edit();
        table.FieldByName(QStringLiteral("GRD1")).SetAsFloat(double(n));
        table.FieldByName(QStringLiteral("NOTE")).SetAsString(QStringLiteral("αποθήκευση %1").arg(n));
        table.FieldByName(QStringLiteral("GRD2")).SetAsFloat(-double(n));
        table.Post();
        if (n == 1) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
}
