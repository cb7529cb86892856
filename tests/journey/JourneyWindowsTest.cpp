// One grade sheet's road through the program's own windows, offscreen: each
// window opens, does its main work through its own buttons and closes, every
// dialog answered by the script. The values on the road are the command-line
// journey's to check.
#include "base/ProfileFile.h"
#include "base/RegionalFormats.h"
#include "core/exchange/GradeDataFile.h"
#include "core/shell/AppState.h"
#include "gui/compose/TFormExpoFilter.h"
#include "gui/compose/TFormSave.h"
#include "gui/review/TFormPostTable.h"
#include "gui/review/TFormViewTable.h"
#include "gui/schooldb/TDataManager.h"
#include "gui/schooldb/TDataOpen.h"
#include "gui/shell/TFormMain.h"
#include "gui/shell/TParamForm.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

const QString kYearLabel = QStringLiteral("Σχ.Έτος 2025-2026");

class JourneyWindows : public ::testing::Test {
protected:
    void SetUp() override {
        state.ProgramFolder = dir.Path(QStringLiteral("office")) + QLatin1Char('/');
        state.SettingsPath = dir.Path(QStringLiteral("settings/ZENTIK.INI"));
        dataFolder = dir.Path(QStringLiteral("data"));
        const QString school = dataFolder + QStringLiteral("/MV202526.SYR");
        QDir().mkpath(dir.Path(QStringLiteral("usb")));
        schooldb::WriteDemoSchool(school);
        ui.SetNow(QDateTime(QDate(2026, 6, 20), QTime(9, 0)));
    }
    void TearDown() override {
        if (main) {
            main->setAttribute(Qt::WA_DeleteOnClose, false); // a failed journey leaves without the question
            main.reset();
        }
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
    void ClickMain(const char* name) {
        QToolButton* button = main->findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(button && button->isEnabled()) << name << " is not there to press";
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void ChooseFolder(DocumentPage page) {
        QListWidget* list = main->lstvInOutDocs();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(static_cast<int>(page))).center());
    }
    // Ticks a row of a selection grid by its caption, as a double click does.
    void Tick(TFormExpoFilter& filter, SelectionKind kind, const QString& caption) {
        QTableView* view = filter.SelectionView(kind);
        for (int r = 0; r < view->model()->rowCount(); ++r)
            if (view->model()->index(r, 1).data().toString() == caption)
                return Q_EMIT view->doubleClicked(view->model()->index(r, 1));
        ADD_FAILURE() << "no row " << caption.toStdString();
    }

    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    std::unique_ptr<TFormMain> main;
    QString dataFolder;
};

} // namespace

TEST_F(JourneyWindows, OneSheetFromTheFoldersWindowToPostingAndExit) {
    main = std::make_unique<TFormMain>(state, ui);
    main->show();

    // ---- Parameters: the data folder; Folders: the year opened (the sign-in has its own window test).
    ui.ExpectModal([&](QObject& dialog) {
        auto& form = dynamic_cast<TParamForm&>(dialog);
        form.ChooseFolder(dataFolder);
        form.OkPathBB()->click();
        return form.result();
    });
    ClickMain("tbtnParams");
    ASSERT_EQ(state.DBPath, dataFolder);
    ui.ExpectModal([&](QObject& dialog) {
        auto& manager = dynamic_cast<TDataManager&>(dialog);
        manager.show();
        const QList<QListWidgetItem*> found = manager.SchoolYearLB()->findItems(kYearLabel, Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1) << "the demo year is listed";
        manager.SchoolYearLB()->setCurrentItem(found.value(0));
        ui.ExpectModal([](QObject& confirm) {
            dynamic_cast<TDataOpen&>(confirm).OkButton()->click();
            return dynamic_cast<TDataOpen&>(confirm).result();
        });
        manager.OpenBtn()->click();
        return manager.result();
    });
    ClickMain("tbtnFolders");
    ASSERT_EQ(main->edtSchoolYear()->text(), kYearLabel);
    ASSERT_TRUE(state.PostingRight());

    // ---- The filter window: a class and a subject ticked, the sheet saved into the OutBox.
    const QString saved = state.ExportsDir + QStringLiteral("/Γυμνάσιο.agd");
    ChooseFolder(DocumentPage::Templates);
    ui.ExpectModal([&](QObject& dialog) {
        auto& filter = dynamic_cast<TFormExpoFilter&>(dialog);
        filter.show();
        Tick(filter, SelectionKind::Classes, QStringLiteral("Α Γυμν."));
        Tick(filter, SelectionKind::Subjects, QStringLiteral("Μαθηματικά"));
        EXPECT_GT(filter.Composition().StudentCount, 0);
        ui.ExpectModal([](QObject& object) {
            auto& save = dynamic_cast<TFormSave&>(object);
            save.SaveAsFileEdit()->setText(QStringLiteral("Γυμνάσιο"));
            save.OkButton()->click();
            return save.result();
        });
        ui.ExpectMessage(MessageIcon::Information, QStringLiteral("Η Εξαγωγή στο Αρχείο \"") + saved +
                                                       QStringLiteral("\" ολοκληρώθηκε!"));
        QTest::mouseClick(filter.Button(QStringLiteral("tbtnSaveTable")), Qt::LeftButton);

        filter.reject();
        return filter.result();
    });
    ClickMain("tbtnNewItem");
    ASSERT_TRUE(QFileInfo::exists(saved));

    // ---- Sent from the OutBox, received back into the InBox.
    ChooseFolder(DocumentPage::OutBox);
    const QString sent = dir.Path(QStringLiteral("usb/Γυμνάσιο.agd"));
    ui.ExpectSaveFile(QStringLiteral("Αποστολή Αρχείου.."), sent)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + sent + QStringLiteral("\" απεστάλη επιτυχώς!"));
    ClickMain("tbtnExportItem");
    ASSERT_TRUE(QFileInfo::exists(sent));
    ChooseFolder(DocumentPage::InBox);
    const QString received = state.ImportsDir + QStringLiteral("/Γυμνάσιο.agd");
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), sent)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + received + QStringLiteral("\" ελήφθη επιτυχώς!"));
    ClickMain("tbtnImportItem");
    ASSERT_TRUE(QFileInfo::exists(received)) << "received under the name the sheet was made with";

    // ---- Viewed; posted into the fourth grade after the overwrite question.
    ui.ExpectModal([&](QObject& dialog) {
        auto& viewer = dynamic_cast<TFormViewTable&>(dialog);
        EXPECT_EQ(viewer.edtExpoFileName()->text(), QStringLiteral("Γυμνάσιο.agd"));
        viewer.reject();
        return viewer.result();
    });
    ClickMain("tbtnView");
    ui.SetNow(QDateTime(QDate(2026, 6, 20), QTime(14, 30)));
    ui.ExpectModal([&](QObject& dialog) {
        auto& posting = dynamic_cast<TFormPostTable&>(dialog);
        posting.show();
        posting.PeriodCoBo()->setCurrentIndex(3);
        ui.ExpectMessage(MessageIcon::Question,
                         QStringLiteral("Πρόκειται να επικαλύψετε την Βαθμολογία της περιόδου: \"4ος "
                                        "Βαθμός\"!\nΘέλετε να προχωρήσετε;"),
                         MessageAnswer::Yes);
        QTest::mouseClick(posting.btnPost(), Qt::LeftButton);
        posting.reject();
        return posting.result();
    });
    ClickMain("tbtnRun");
    EXPECT_EQ(ReadGradeHeader(received).Posted, RegionalFormats::DateTimeText(ui.Now()));

    // ---- Leaving: the question answered OK, the settings written.
    ui.ExpectMessage(MessageIcon::Warning,
                     QStringLiteral("Πρόκειται να εγκαταλείψετε το \"Ηλεκτρονικό Κάλντο\"!"),
                     MessageAnswer::Ok);
    ClickMain("tbtnExit");
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(state.MorvenDataBase().Connected()) << "leaving closes the connection";
    main.reset();
    EXPECT_EQ(
        ProfileFile::ReadString(state.SettingsPath, QStringLiteral("Directory"), QStringLiteral("DBPath")),
        dataFolder);
    ui.VerifyAllUsed();
}
