// ekaldo-cli dump-table: what an office sees of a table, as a real process.
#include "SchoolDbTestSupport.h"

#include "schooldb/TablePasswords.h"
#include "support/CliRun.h"

using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

ProcessRun DumpTable(const QStringList& args) {
    return RunCli(QStringList{QStringLiteral("dump-table")} + args, QStringLiteral("el_GR.UTF-8"));
}

} // namespace

TEST(DumpTableCli, PrintsNamesTypesAndRecordsWithNullsEmpty) {
    TempFolder folder;
    WriteSmallSchool(folder.Path());
    TableBuilder("ODD.DB")
        .Alpha("TEXT", 20)
        .Short("N")
        .Row({QStringLiteral("α\tβ\\γ"), QVariant()})
        .Row({QVariant(), -5})
        .Write(folder.Path());
    const ProcessRun subjects = DumpTable(
        {folder.Path(), QStringLiteral("SUBJECT.DB"), QStringLiteral("--password"), DataTablePassword()});
    EXPECT_EQ(subjects.exitCode, 0) << subjects.err.toStdString();
    EXPECT_EQ(subjects.out, QStringLiteral("SUBJECTID\tSUBJNAME\tSUBSUBJNAM\tCLASSID\tSUBJEDIT\n"
                                           "Autoincrement\tAlpha 20\tAlpha 20\tLong Integer\tLogical\n"
                                           "1\tΆλγεβρα\t\t1\tTrue\n"
                                           "2\t\tΘετική\t1\tTrue\n"
                                           "3\tΦυσική\t\t2\tFalse\n"));
    const ProcessRun odd = DumpTable({folder.Path(), QStringLiteral("odd.db")});
    EXPECT_EQ(odd.out, QStringLiteral("TEXT\tN\nAlpha 20\tShort\nα\\tβ\\\\γ\t\n\t-5\n"));

    // Several passwords may be given; the wrong one alone opens nothing.
    const ProcessRun user =
        DumpTable({folder.Path(), QStringLiteral("USER.DB"), QStringLiteral("--password"),
                   DataTablePassword(), QStringLiteral("--password"), UserTablePassword()});
    EXPECT_EQ(user.exitCode, 0) << user.err.toStdString();
    EXPECT_TRUE(user.out.contains(QStringLiteral("\nTALMIR\tTALMIR\t")));
    const ProcessRun refused = DumpTable(
        {folder.Path(), QStringLiteral("USER.DB"), QStringLiteral("--password"), DataTablePassword()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("USER.DB")));
    EXPECT_TRUE(refused.out.isEmpty());
    const ProcessRun missing = DumpTable({folder.Path(), QStringLiteral("TEACHER.DB")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("TEACHER.DB")));
}
