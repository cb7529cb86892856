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
#include "gui/print/TPreviewForm.h"
#include "gui/print/TPrintForm.h"
#include "gui/print/TPrintStatusForm.h"
#include "gui/review/TFormPostTable.h"
#include "gui/review/TFormViewTable.h"
#include "gui/schooldb/TDataManager.h"
#include "gui/schooldb/TDataOpen.h"
#include "gui/schooldb/TPasswordForm.h"
#include "gui/shell/TFormMain.h"
#include "gui/shell/TParamForm.h"
#include "report/Printers.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "schooldb/builder/SchoolTables.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"
#include "support/WidgetInput.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
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
        // The administrator's password is changed: opening the year asks who signs in.
        QString teacher(32, QLatin1Char('0'));
        teacher[7] = QLatin1Char('1');
        schooldb::SchoolTables::User()
            .Row({QStringLiteral("TALMIR"), QStringLiteral("ΓΡΑΦΕΙΟ"), QStringLiteral("Διαχείριση"), 0,
                  QStringLiteral("2025"), QString(32, QLatin1Char('1'))})
            .Row({QStringLiteral("ΠΑΠΑΔΟΠΟΥΛΟΥ"), QStringLiteral("ΜΑΘ2025"), QStringLiteral("Καθηγητές"), 2,
                  QStringLiteral("2025"), teacher})
            .Write(school);
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
    // Chooses an item of the filter window's print menu, opened by its button.
    void ChooseFromPrintMenu(TFormExpoFilter& filter, const QString& text) {
        QTest::mouseClick(filter.Button(QStringLiteral("tbtnPrintTable")), Qt::LeftButton);
        for (QMenu* menu : filter.findChildren<QMenu*>()) {
            if (!menu->isVisible())
                continue;
            menu->hide(); // the menu closes before the chosen command runs
            for (QAction* action : menu->actions())
                if (action->text() == text)
                    return action->trigger();
        }
        ADD_FAILURE() << "no menu item " << text.toStdString();
    }
    // The teacher's entry: a grade in the first open subject cell of the sent copy.
    void FillInAsTheTeacher(const QString& sent, const QString& filled) {
        QList<QByteArray> lines = ReadBytes(sent).split('\n');
        const qsizetype data = lines.indexOf("[Data]\r") + 2;
        ASSERT_GT(data, 1);
        for (qsizetype i = data; i < lines.size(); ++i) {
            if (!lines[i].endsWith('\r'))
                continue; // the end of the file
            QList<QByteArray> cells = lines[i].chopped(1).split('\t');
            for (qsizetype c = 8; c < cells.size(); ++c) {
                if (cells[c].isEmpty()) {
                    cells[c] = "5"; // within every line's limits
                    lines[i] = cells.join('\t') + '\r';
                    return WriteBytes(filled, lines.join('\n'));
                }
            }
        }
        FAIL() << "no open subject cell on the sheet";
    }

    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    std::unique_ptr<TFormMain> main;
    QString dataFolder;
};

} // namespace

TEST_F(JourneyWindows, OneSheetFromTheFoldersWindowToPostingPrintAndExit) {
    main = std::make_unique<TFormMain>(state, ui);
    main->show();

    // ---- Parameters: the data folder; Folders: the year opened, the teacher signed in.
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
        ui.ExpectModal([](QObject& signIn) {
            auto& form = dynamic_cast<TPasswordForm&>(signIn);
            TypeText(form.UserNameEdit(), QStringLiteral("ΠΑΠΑΔΟΠΟΥΛΟΥ"));
            TypeText(form.UserPasswordEdit(), QStringLiteral("ΜΑΘ2025"));
            form.OKPasswordBB()->click();
            return form.result();
        });
        manager.OpenBtn()->click();
        return manager.result();
    });
    ClickMain("tbtnFolders");
    ASSERT_EQ(main->edtSchoolYear()->text(), kYearLabel);
    ASSERT_TRUE(state.PostingRight());

    // ---- The filter window: a class and a subject ticked, the sheet saved into the OutBox and printed to
    // PDF.
    const QString saved = state.ExportsDir + QStringLiteral("/Γυμνάσιο.agd");
    const QString pdf = dir.Path(QStringLiteral("Γυμνάσιο.pdf"));
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

        ui.ExpectPrinterChoice(Printers::PdfPrinterName);
        ChooseFromPrintMenu(filter, QStringLiteral("Εκτυπωτής"));
        ui.ExpectModal([&](QObject& object) {
            auto& status = dynamic_cast<TPrintStatusForm&>(object);
            status.show();
            QElapsedTimer timer;
            timer.start();
            while (!status.Done() && timer.elapsed() < 20000)
                QApplication::processEvents(QEventLoop::AllEvents, 20);
            status.BtnOkCancel()->click();
            return status.result();
        });
        ui.ExpectModal([&](QObject& object) {
            auto& preview = dynamic_cast<TPreviewForm&>(object);
            preview.show();
            EXPECT_GE(preview.FilePreview1().PageCount(), 1);
            ui.ExpectModal([&](QObject& object2) {
                auto& print = dynamic_cast<TPrintForm&>(object2);
                ui.ExpectSaveFile(QStringLiteral("Εκτύπωση σε Αρχείο PDF"), pdf);
                print.findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
                return print.result();
            });
            QTest::mouseClick(preview.Button("PrintSB"), Qt::LeftButton);
            preview.reject();
            return preview.result();
        });
        ChooseFromPrintMenu(filter, QStringLiteral("Εκτύπωση"));
        filter.reject();
        return filter.result();
    });
    ClickMain("tbtnNewItem");
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_TRUE(ReadBytes(pdf).startsWith("%PDF")) << "the print dialog wrote the PDF";

    // ---- Sent from the OutBox, filled in outside, received into the InBox.
    ChooseFolder(DocumentPage::OutBox);
    const QString sent = dir.Path(QStringLiteral("usb/Γυμνάσιο.agd"));
    ui.ExpectSaveFile(QStringLiteral("Αποστολή Αρχείου.."), sent)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + sent + QStringLiteral("\" απεστάλη επιτυχώς!"));
    ClickMain("tbtnExportItem");
    ASSERT_TRUE(QFileInfo::exists(sent));
    const QString filled = dir.Path(QStringLiteral("usb/Βαθμοί.agd"));
    FillInAsTheTeacher(sent, filled);
    ASSERT_FALSE(HasFatalFailure());
    ChooseFolder(DocumentPage::InBox);
    const QString received = state.ImportsDir + QStringLiteral("/Γυμνάσιο.agd");
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), filled)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + received + QStringLiteral("\" ελήφθη επιτυχώς!"));
    ClickMain("tbtnImportItem");
    ASSERT_TRUE(QFileInfo::exists(received)) << "received under the name the sheet was made with";

    // ---- Viewed; checked and posted into the fourth grade, which the demo school does not have yet.
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
        QTest::mouseClick(posting.btnCheck(), Qt::LeftButton);
        EXPECT_TRUE(posting.pnlStudentCnt()->text().endsWith(QStringLiteral(" - Λάθη: 0 - Αλλαγές: 1")))
            << posting.pnlStudentCnt()->text().toStdString();
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
