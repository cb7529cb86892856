// Composes the full sheet of a generated school of 10,000 students with 30
// subjects each (all levels, all subjects, a grade column chosen) and sets the
// time beside a plain read() of the tables' bytes and a pxlib read of every
// record of them, measured in the same run; with the memory the sheet took.
#include "core/compose/ColumnSettings.h"
#include "core/compose/SheetComposition.h"
#include "schooldb/PxLib.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/SchoolYearSession.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolGenerator.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace ekaldo;
using ekaldo::bench::Best;
using ekaldo::bench::PlainRead;
using namespace ekaldo::schooldb;

namespace {

const QStringList kTables{"STUDENT.DB", "GUARDIAN.DB", "COURSE.DB", "CLASS.DB",
                          "LEVEL.DB",   "SUBJECT.DB",  "METHOD.DB", "GRADE.DB"};

// Every record of a table through pxlib, the encrypted ones with the data-table password.
long PxlibRead(const QString& path) {
    pxdoc_t* doc = PX_new();
    long records = 0;
    if (PX_open_file(doc, QFile::encodeName(path).constData()) == 0) {
        const QByteArray password = DataTablePassword().toLatin1();
        PX_set_parameter(doc, "password", password.constData());
        const int n = PX_get_num_records(doc);
        std::vector<char> buffer(static_cast<std::size_t>(PX_get_recordsize(doc)));
        for (int i = 0; i < n; ++i)
            records += PX_get_record(doc, i, buffer.data()) != nullptr;
        PX_close(doc);
    }
    PX_delete(doc);
    return records;
}

// Resident memory now, in kB.
long MemoryKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString folder = dir.path();
    GeneratedSchoolSize size;
    size.students = ekaldo::bench::BenchStudents();
    ekaldo::bench::WriteSchoolAndSay(folder, size);

    qint64 bytes = 0;
    const double plain = Best(5, [&] {
        bytes = 0;
        for (const QString& t : kTables)
            bytes += PlainRead(QDir(folder).filePath(t));
    });
    long pxRecords = 0;
    const double pxlib = Best(1, [&] {
        pxRecords = 0;
        for (const QString& t : kTables)
            pxRecords += PxlibRead(QDir(folder).filePath(t));
    });

    const long before = MemoryKb();
    SchoolYearSession session;
    SheetOrder order;
    session.DatabaseSession().AddPassword(DataTablePassword());
    session.MorvenDataBase().SetParams({QStringLiteral("PATH=") + folder});
    session.MorvenDataBase().Open();
    session.SchoolYearLabel = QStringLiteral("Σχ.Έτος 2025-2026");
    order.ColumnOrder = DefaultColumnOrder();
    order.SortOrder = DefaultSortOrder();
    SheetComposition composition;
    FillSelectionGrids(composition, session.MorvenDataBase());
    composition.Subjects.Toggle(2); // "<Όλα>"
    composition.PeriodIndex = 1;
    // The first composition loads the tables into the query engine; later ones
    // (every tick in the window) find them loaded.
    const double first = Best(1, [&] { ComposeSheet(composition, session, order, GradingScheme::Tutoring); });
    const double again = Best(3, [&] { ComposeSheet(composition, session, order, GradingScheme::Tutoring); });
    const long after = MemoryKb();

    std::printf("tables: %.1f MB; plain read() %.1f ms; pxlib read of %ld records %.0f ms\n", bytes / 1e6,
                plain, pxRecords, pxlib);
    std::printf("full sheet: %d rows x %d columns; first composition %.0f ms, again %.0f ms "
                "(%.1fx plain read(), %.2fx pxlib read)\n",
                composition.Sheet.RowCount(), composition.Sheet.ColCount(), first, again, again / plain,
                again / pxlib);
    std::printf(
        "resident memory: %.0f MB before composing, %.0f MB with the sheet composed (%.0f MB for the engine "
        "and the sheet)\n",
        before / 1024.0, after / 1024.0, (after - before) / 1024.0);
    return 0;
}
