// The school-year window, its confirmation and the sign-in window, offscreen.
#include "gui/schooldb/TDataManager.h"
#include "base/ProfileFile.h"
#include "core/shell/AppState.h"
#include "gui/schooldb/TPasswordForm.h"
#include "gui/shell/TFormMain.h"
#include "gui/shell/WindowPlacer.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/builder/SchoolTables.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"
#include "support/WidgetInput.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

using namespace ekaldo;
using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

void WriteYear(const QString& folder, const QString& adminPassword, const QString& year) {
    QDir().mkpath(folder);
    QString rights(32, QLatin1Char('0'));
    rights[7] = QLatin1Char('1');
    SchoolTables::User()
        .Row({QStringLiteral("TALMIR"), adminPassword, QStringLiteral("Διαχ"), 0, year,
              QString(32, QLatin1Char('1'))})
        .Row({QStringLiteral("ΕΛΕΝΗ"), QStringLiteral("ΚΩΔΙΚΟΣ"), QStringLiteral("Καθ"), 2, year, rights})
        .Write(folder);
}

struct DataManagerFixture : ::testing::Test {
    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    void SetUp() override {
        state.DBPath = dir.Path();
        WriteYear(dir.Path(QStringLiteral("MV202324.SYR")), QStringLiteral("TALMIR"), QStringLiteral("2023"));
        WriteYear(dir.Path(QStringLiteral("MV202425.SYR")), QStringLiteral("TALMIR"), QStringLiteral("2024"));
        WriteYear(dir.Path(QStringLiteral("mv202526.syr")), QStringLiteral("ΑΛΛΟ"), QStringLiteral("2025"));
    }
};

} // namespace

TEST_F(DataManagerFixture, ListsPreselectsTheOpenYearAndAClickCopiesALabel) {
    {
        TDataManager manager(state, ui);
        ASSERT_EQ(manager.SchoolYearLB()->count(), 3);
        EXPECT_EQ(manager.SchoolYearLB()->currentItem()->text(), QStringLiteral("Σχ.Έτος 2025-2026"))
            << "none open: the last";
        EXPECT_EQ(manager.SchoolYearEdit()->text(), QStringLiteral("Σχ.Έτος 2025-2026"));
    }
    state.SchoolYearLabel = QStringLiteral("Σχ.Έτος 2023-2024");
    TDataManager manager(state, ui);
    manager.show();
    QListWidget* list = manager.SchoolYearLB();
    EXPECT_EQ(list->currentRow(), 0);
    // A click copies the label into the box.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(manager.SchoolYearEdit()->text(), QStringLiteral("Σχ.Έτος 2024-2025"));
}

TEST_F(DataManagerFixture, CancelInTheConfirmationLeavesEverythingAsItWas) {
    state.SchoolYearLabel = QStringLiteral("Σχ.Έτος 2023-2024");
    int changed = 0;
    TDataManager manager(state, ui);
    QObject::connect(&manager, &TDataManager::SchoolYearChanged, [&] { ++changed; });
    ui.ExpectModal([](QObject&) { return int(QDialog::Rejected); });
    manager.OpenData();
    EXPECT_EQ(state.SchoolYearLabel, QStringLiteral("Σχ.Έτος 2023-2024"));
    EXPECT_EQ(manager.result(), 0) << "the school-year window stays open";
    EXPECT_EQ(changed, 1) << "the commands are updated in every case";
}

TEST_F(DataManagerFixture, TheSignInWindowAsksUntilTheTeacherSignsIn) {
    // The administrator of 2025 has another password: the window asks.
    TDataManager manager(state, ui);
    manager.SchoolYearLB()->setCurrentRow(2);
    ui.ExpectModal([](QObject&) { return int(QDialog::Accepted); })
        .ExpectModal([](QObject& dialog) {
            auto& form = static_cast<TPasswordForm&>(dialog);
            TypeText(form.UserNameEdit(), QStringLiteral("ΕΛΕΝΗ"));
            TypeText(form.UserPasswordEdit(), QStringLiteral("κωδικ"));
            return int(QDialog::Accepted);
        })
        .ExpectMessage(MessageIcon::Error, QStringLiteral("Το Σύνθημα δεν ταιριάζει!"))
        .ExpectModal([](QObject& dialog) {
            auto& form = static_cast<TPasswordForm&>(dialog);
            EXPECT_EQ(form.UserNameEdit()->text(), QStringLiteral("ΕΛΕΝΗ")) << "what was typed is kept";
            EXPECT_EQ(form.UserPasswordEdit()->text(), QStringLiteral("ΚΩΔΙΚ")) << "capitals as typed";
            TypeText(form.UserPasswordEdit(), QStringLiteral("οςxyz"));
            EXPECT_EQ(form.UserPasswordEdit()->text(), QStringLiteral("ΚΩΔΙΚΟΣX")) << "at most 8 characters";
            form.UserPasswordEdit()->setText(QStringLiteral("ΚΩΔΙΚΟΣ"));
            return int(QDialog::Accepted);
        });
    manager.OpenData();
    EXPECT_EQ(state.SchoolYearLabel, QStringLiteral("Σχ.Έτος 2025-2026"));
    EXPECT_EQ(state.CurrentUserName, QStringLiteral("ΕΛΕΝΗ"));
    EXPECT_TRUE(state.PostingRight());
}

TEST_F(DataManagerFixture, PlacementComesBackUnchangedAfterAnyNumberOfOpenings) {
    // Restoring what was saved gives the same placement on a window with a frame.
    QWidget framed;
    WindowPlacer::Restore(framed, {100, 120, 400, 300});
    framed.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&framed));
    ASSERT_NE(framed.frameGeometry().topLeft(), framed.geometry().topLeft()) << "the window has a frame";
    EXPECT_EQ(WindowPlacer::Save(framed), (WindowPlacement{100, 120, 400, 300}));
    // A place off the screen comes back onto it.
    QWidget lost;
    WindowPlacer::Restore(lost, {-3000, 9000, 400, 300});
    EXPECT_TRUE(lost.screen()->availableGeometry().contains(lost.pos()));
    // A place on the screen for a window wider than the screen, though not taller, is narrowed to it.
    const QRect area = lost.screen()->availableGeometry();
    QWidget wide;
    WindowPlacer::Restore(wide, {area.left() + 10, area.top() + 10, area.width() + 200, 100});
    EXPECT_EQ(wide.width(), area.width());
    EXPECT_EQ(wide.pos(), area.topLeft() + QPoint(0, 10));

    state.DataManagerPlacement = {40, 50, 325, 252};
    for (int opening = 0; opening < 4; ++opening) {
        TDataManager manager(state, ui);
        manager.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&manager));
        EXPECT_EQ(manager.frameGeometry().topLeft(), QPoint(40, 50)) << opening;
        manager.reject();
        EXPECT_EQ(state.DataManagerPlacement, (WindowPlacement{40, 50, manager.width(), manager.height()}));
    }
}

TEST_F(DataManagerFixture, TheLastOpenedYearOpensAtStartOnlyWithoutAsking) {
    WriteYear(dir.Path(QStringLiteral("MV202627.SYR")), QStringLiteral("TALMIR"), QStringLiteral("2026"));
    state.ProgramFolder = dir.Path(QStringLiteral("prog/"));
    state.SettingsPath = dir.Path(QStringLiteral("ZENTIK.INI"));
    auto start = [&](const QString& year) {
        WriteBytes(state.SettingsPath,
                   Greek(QStringLiteral("[Directory]\r\nDBPath=") + dir.Path() +
                         QStringLiteral("\r\nSchoolYear=") + year + QStringLiteral("\r\n")));
        auto window = std::make_unique<TFormMain>(state, ui);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        return window;
    };
    {
        auto window = start(QStringLiteral("Σχ.Έτος 2024-2025"));
        EXPECT_EQ(window->edtSchoolYear()->text(), QStringLiteral("Σχ.Έτος 2024-2025"));
        EXPECT_TRUE(state.MorvenDataBase().Connected());
        EXPECT_EQ(state.CurrentUserName, QStringLiteral("TALMIR"));
    }
    // A year whose administrator has another password: no question at start,
    // and the school-year window offers it.
    auto window = start(QStringLiteral("Σχ.Έτος 2025-2026"));
    EXPECT_EQ(window->edtSchoolYear()->text(), QStringLiteral("Σχ.Έτος: <ΚΑΝΕΝΑ>"));
    EXPECT_FALSE(state.MorvenDataBase().Connected());
    TDataManager manager(state, ui);
    EXPECT_EQ(manager.SchoolYearLB()->currentItem()->text(), QStringLiteral("Σχ.Έτος 2025-2026"));
}

TEST(FirstStart, OpensTheOnlySchoolYearPresentAndRemembersIt) {
    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    state.ProgramFolder = dir.Path(QStringLiteral("prog/"));
    state.SettingsPath = dir.Path(QStringLiteral("ZENTIK.INI"));
    WriteYear(dir.Path(QStringLiteral("prog/MV202526.SYR")), QStringLiteral("TALMIR"),
              QStringLiteral("2025"));
    TFormMain window(state, ui);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_EQ(window.edtSchoolYear()->text(), QStringLiteral("Σχ.Έτος 2025-2026"));
    ui.ExpectMessage(MessageIcon::Warning,
                     QStringLiteral("Πρόκειται να εγκαταλείψετε το \"Ηλεκτρονικό Κάλντο\"!"),
                     MessageAnswer::Ok);
    window.close();
    EXPECT_EQ(ProfileFile::ReadString(state.SettingsPath, QStringLiteral("Directory"),
                                      QStringLiteral("SchoolYear")),
              QStringLiteral("Σχ.Έτος 2025-2026"));
}
