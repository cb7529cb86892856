// Opening school years and signing in, on school databases written by the builder.
#include "schooldb/SchoolYears.h"
#include "core/shell/AppState.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/SignIn.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolTables.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QDir>

using namespace ekaldo;
using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

const QString kAll = QString(32, QLatin1Char('1'));
const QString kNone = QString(32, QLatin1Char('0'));

// A user record; as it stands, the administrator that signs in without a dialog in 2004-2005.
struct UserRow {
    QString name = QStringLiteral("TALMIR"), password = QStringLiteral("TALMIR");
    int group = 0;
    QString year = QStringLiteral("2004"), privileges = kAll;
};

// A school-year folder with its user table and one data table.
void WriteYear(const QString& folder, const QList<UserRow>& users,
               const QString& userTablePassword = UserTablePassword()) {
    QDir().mkpath(folder);
    TableBuilder table = SchoolTables::User();
    table.Password(userTablePassword);
    for (const UserRow& u : users)
        table.Row({u.name, u.password, QStringLiteral("Ομάδα"), u.group, u.year, u.privileges});
    table.Write(folder);
    SchoolTables::Level().Write(folder);
}

// Answers the sign-in window from a list, then cancels.
struct ScriptedPrompt : SignInPrompt {
    explicit ScriptedPrompt(QList<QPair<QString, QString>> answers = {}) : answers(std::move(answers)) {}
    bool Ask(QString& userName, QString& password) override {
        ++asked;
        if (answers.isEmpty())
            return false;
        std::tie(userName, password) = answers.takeFirst();
        return true;
    }
    QList<QPair<QString, QString>> answers;
    int asked = 0;
};

struct SchoolYearFixture : ::testing::Test {
    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    void SetUp() override { state.DBPath = dir.Path(); }
    QString Year(const char* name) const { return dir.Path(QString::fromLatin1(name)); }
    void ExpectDataTablesOpen() {
        Table levels(state.MorvenDataBase());
        levels.SetTableName(QStringLiteral("LEVEL.DB"));
        EXPECT_NO_THROW(levels.Open()) << "the data-table password is registered after the sign-in";
    }
};

} // namespace

TEST_F(SchoolYearFixture, ListingFindsSchoolYearFoldersSortedByLabel) {
    for (const char* name :
         {"MV200405.SYR", "mv200304.syr", "MV1999XY.SYR", "MVABCD05.SYR", "AB200405.SYR", "MV2006.TXT"})
        QDir().mkpath(Year(name));
    WriteBytes(Year("MV200708.SYR"), "a plain file is listed too");
    const QStringList labels = ListSchoolYearLabels(dir.Path());
    EXPECT_EQ(labels, (QStringList{"Σχ.Έτος 1999-2000", "Σχ.Έτος 2003-2004", "Σχ.Έτος 2004-2005",
                                   "Σχ.Έτος 2007-2008", "Σχ.Έτος: Αγνωστο!"}));
    EXPECT_TRUE(ListSchoolYearLabels(dir.Path(QStringLiteral("missing"))).isEmpty());
    EXPECT_TRUE(ListSchoolYearLabels(QString()).isEmpty());
}

TEST_F(SchoolYearFixture, TheFolderOpenedIsTheCanonicalName) {
    EXPECT_EQ(SchoolYearFolderOf(dir.Path() + QLatin1Char('/'), QStringLiteral("Σχ.Έτος 2004-2005")),
              Year("MV200405.SYR"))
        << "no second separator";
    // A folder listed in small letters opens under the same label.
    QDir().mkpath(Year("mv200405.syr"));
    QDir().mkpath(Year("MV1999XY.SYR"));
    EXPECT_EQ(SchoolYearFolderOf(dir.Path(), QStringLiteral("Σχ.Έτος 2004-2005")), Year("mv200405.syr"));
    EXPECT_EQ(SchoolYearFolderOf(dir.Path(), QStringLiteral("Σχ.Έτος 1999-2000")), Year("MV199900.SYR"))
        << "the canonical name, whatever the listed folder's characters 7 and 8";
}

TEST_F(SchoolYearFixture, AdministratorSignsInSilently) {
    WriteYear(Year("MV200405.SYR"), {UserRow{"TALMIR", "TALMIR", 0, "2004", kNone}});
    ScriptedPrompt prompt;
    OpenSchoolYear(state, ui, prompt, QStringLiteral("Σχ.Έτος 2004-2005"));
    EXPECT_EQ(prompt.asked, 0) << "no dialog";
    EXPECT_EQ(state.SchoolYearLabel, QStringLiteral("Σχ.Έτος 2004-2005"));
    EXPECT_EQ(state.SchoolYearCode, QStringLiteral("2004"));
    EXPECT_EQ(state.UserLevel, 1);
    EXPECT_EQ(state.UserRights, kAll);
    EXPECT_EQ(state.CurrentUserName, QStringLiteral("TALMIR"));
    EXPECT_TRUE(state.MorvenDataBase().Connected());
    ExpectDataTablesOpen();
}

TEST_F(SchoolYearFixture, AnAdministratorRecordThatDoesNotQualifyLeadsToTheDialog) {
    for (const UserRow& user : {UserRow{"TALMIR", "OTHER"}, UserRow{"TALMIR", "TALMIR", 1},
                                UserRow{"TALMIR", "TALMIR", 0, "2003"}, UserRow{"ADMIN"}}) {
        WriteYear(Year("MV200405.SYR"), {user});
        ScriptedPrompt prompt;
        ui.ExpectMessage(MessageIcon::Information, QStringLiteral("Η διαδικασία ακυρώνεται!"));
        OpenSchoolYear(state, ui, prompt, QStringLiteral("Σχ.Έτος 2004-2005"));
        EXPECT_EQ(prompt.asked, 1);
        EXPECT_EQ(state.SchoolYearLabel, QStringLiteral("Σχ.Έτος: <ΚΑΝΕΝΑ>"));
        EXPECT_FALSE(state.MorvenDataBase().Connected());
        EXPECT_EQ(state.UserLevel, 5);
    }
}

TEST_F(SchoolYearFixture, TheDialogLoopsThroughEveryRefusalUntilTheRightPassword) {
    QString privileges = kNone;
    privileges[7] = QLatin1Char('1');
    WriteYear(Year("MV200405.SYR"), {UserRow{"ΜΑΡΙΑ", "ΚΩΔ1", 2, "2004", privileges},
                                     UserRow{"ΠΑΛΙΟΣ", "Χ", 0, "2003"}, UserRow{"LOWER", "abc"}});
    // A name matches whole, never by its start. The sign-in window turns what is
    // typed to capitals: a password stored in small letters can never match.
    ScriptedPrompt prompt(
        {{"ΜΑΡΙ", "ΚΩΔ1"}, {"ΠΑΛΙΟΣ", "Χ"}, {"ΜΑΡΙΑ", "ΛΑΘΟΣ"}, {"LOWER", "ABC"}, {"ΜΑΡΙΑ", "ΚΩΔ1"}});
    ui.ExpectMessage(MessageIcon::Error, QStringLiteral("Ακατάλληλο ψευδώνυμο!"))
        .ExpectMessage(MessageIcon::Error, QStringLiteral("Δεν υφίστανται δικαιώματα στο τρέχον Σχ.Έτος!"))
        .ExpectMessage(MessageIcon::Error, QStringLiteral("Το Σύνθημα δεν ταιριάζει!"))
        .ExpectMessage(MessageIcon::Error, QStringLiteral("Το Σύνθημα δεν ταιριάζει!"));
    OpenSchoolYear(state, ui, prompt, QStringLiteral("Σχ.Έτος 2004-2005"));
    EXPECT_EQ(prompt.asked, 5);
    EXPECT_EQ(state.SchoolYearLabel, QStringLiteral("Σχ.Έτος 2004-2005"));
    EXPECT_EQ(state.UserLevel, 3);
    EXPECT_TRUE(state.PostingRight()) << "flag 8 from the user's privileges";
    EXPECT_EQ(state.UserRights.count(QLatin1Char('1')), 1);
    ExpectDataTablesOpen();
}

TEST(SignInRules, LevelsAndRights) {
    EXPECT_EQ(UserLevelOfGroup(0), 1);
    EXPECT_EQ(UserLevelOfGroup(3), 4);
    EXPECT_EQ(UserLevelOfGroup(4), 5);
    EXPECT_EQ(UserLevelOfGroup(-1), 5);
    EXPECT_EQ(UserRightsOf(2, QStringLiteral("0")), kAll) << "group 1 gets every flag whatever it holds";
    EXPECT_EQ(UserRightsOf(4, QStringLiteral("1x1")), QStringLiteral("101") + QString(29, QLatin1Char('0')));
    EXPECT_EQ(UserRightsOf(3, QString(40, QLatin1Char('1'))), kAll) << "characters beyond 32 are ignored";
    EXPECT_EQ(UserRightsOf(5, kAll), kNone);
}

TEST_F(SchoolYearFixture, AWrongTablePasswordGivesTheTablesMessageAndNoSchoolYear) {
    WriteYear(Year("MV200405.SYR"), {UserRow{}}, QStringLiteral("999999"));
    ScriptedPrompt prompt;
    ui.ExpectMessage(MessageIcon::Error, QStringLiteral("Οι Πίνακες Δεδομένων δεν αναγνωρίζονται!"));
    OpenSchoolYear(state, ui, prompt, QStringLiteral("Σχ.Έτος 2004-2005"));
    EXPECT_FALSE(state.SchoolYearOpen());
    EXPECT_FALSE(state.MorvenDataBase().Connected());
    // The user-table password is never left registered.
    WriteYear(Year("MV200506.SYR"), {UserRow{}});
    state.MorvenDataBase().SetParams({QStringLiteral("PATH=") + Year("MV200506.SYR")});
    Table table(state.MorvenDataBase());
    table.SetTableName(QStringLiteral("USER.DB"));
    EXPECT_THROW(table.Open(), DatabaseError);
}

// A year that opened, then another that fails for any reason: none stays open.
TEST_F(SchoolYearFixture, AYearThatOpensThenAnotherThatFailsLeavesNoneOpen) {
    WriteYear(Year("MV200405.SYR"), {UserRow{}});
    WriteYear(Year("MV200506.SYR"), {UserRow{}});
    ScriptedPrompt prompt;
    const auto openFirst = [&] {
        OpenSchoolYear(state, ui, prompt, QStringLiteral("Σχ.Έτος 2004-2005"));
        ASSERT_TRUE(state.SchoolYearOpen());
    };
    openFirst();
    ui.ExpectMessage(MessageIcon::Information, QStringLiteral("Η διαδικασία ακυρώνεται!"));
    OpenSchoolYear(state, ui, prompt, QStringLiteral("Σχ.Έτος 2005-2006")); // no right in 2005
    EXPECT_FALSE(state.SchoolYearOpen());
    EXPECT_FALSE(state.MorvenDataBase().Connected());

    // Listed as MV1999XY.SYR, opened as MV199900.SYR, which is not there.
    openFirst();
    QDir().mkpath(Year("MV1999XY.SYR"));
    EXPECT_THROW(OpenSchoolYear(state, ui, prompt, QStringLiteral("Σχ.Έτος 1999-2000")), DatabaseError);
    EXPECT_EQ(state.SchoolYearLabel, QStringLiteral("Σχ.Έτος: <ΚΑΝΕΝΑ>"));
    EXPECT_FALSE(state.MorvenDataBase().Connected());

    QDir().mkpath(Year("MVABCD05.SYR"));
    EXPECT_THROW(OpenSchoolYear(state, ui, prompt, QStringLiteral("Σχ.Έτος: Αγνωστο!")), DatabaseError);
    EXPECT_FALSE(state.SchoolYearOpen());
}
