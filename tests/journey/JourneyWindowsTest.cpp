// The road of one grade sheet through the program's own windows, offscreen:
// the demo school opened from the Folders window, a sheet composed in the
// filter window, saved, sent, filled in outside, received, viewed, checked
// and posted in the posting window, composed again, printed to PDF through
// the preview and the print dialog, and the program left. Every dialog is
// answered by the script; the windows are worked through their own buttons,
// lists and boxes.
#include "base/CodePage1253.h"
#include "base/ProfileFile.h"
#include "base/RegionalFormats.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheetModel.h"
#include "core/shell/AppState.h"
#include "gui/compose/TFormExpoFilter.h"
#include "gui/compose/TFormSave.h"
#include "gui/compose/TFormTableSort.h"
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
#include "gui/widgets/TSheetGrid.h"
#include "report/PrintTestSupport.h"
#include "report/Printers.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "schooldb/builder/SchoolTables.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"
#include "support/WidgetInput.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

using namespace ekaldo;
using namespace ekaldo::testing;
using schooldb::FieldValue;

namespace {

const QString kSheetName = QStringLiteral("Γυμνάσιο");
const QString kYearLabel = QStringLiteral("Σχ.Έτος 2025-2026");
const QStringList kClasses = {QStringLiteral("Α Γυμν."), QStringLiteral("Β Γυμν.")};
const QStringList kSubjects = {QStringLiteral("Μαθηματικά"), QStringLiteral("Έκθεση"),
                               QStringLiteral("Αρχαία")};
// The fourth numbered grade: the demo school has none of them yet.
constexpr int kGradeColumn = 4;

// Every GRADE.DB record by student and subject, each field as stored.
using GradeKey = std::pair<qint64, qint64>;
using GradeRecords = std::map<GradeKey, std::vector<FieldValue>>;

struct SchoolReader {
    schooldb::Session session;
    schooldb::Database database{session, QStringLiteral("JourneyCheck")};

    explicit SchoolReader(const QString& folder) {
        session.AddPassword(schooldb::DataTablePassword());
        database.SetParams({QStringLiteral("PATH=") + folder});
        database.Open();
    }
    // Calls visit on every record of a table, the table standing on it.
    void ForEach(const QString& tableName, const std::function<void(schooldb::Table&)>& visit) {
        schooldb::Table table(database);
        table.SetTableName(tableName);
        table.Open();
        for (; !table.Eof(); table.Next())
            visit(table);
        table.Close();
    }
    GradeRecords Grades(int* gradeField = nullptr) {
        GradeRecords records;
        ForEach(QStringLiteral("GRADE.DB"), [&](schooldb::Table& t) {
            std::vector<FieldValue> fields;
            for (int f = 0; f < t.FieldCount(); ++f)
                fields.push_back(t.Fields(f).Value());
            records[{t.FieldByName(QStringLiteral("STUDENTID")).AsInteger(),
                     t.FieldByName(QStringLiteral("SUBJECTID")).AsInteger()}] = std::move(fields);
            if (gradeField)
                *gradeField = t.FieldIndex(QStringLiteral("GRD%1").arg(kGradeColumn));
        });
        return records;
    }
    // The students of the named classes, by the tables and not by the program's
    // query; those without a guardian record apart, since a sheet lists only
    // students with one.
    std::set<qint64> StudentsOf(const QStringList& classNames, std::set<qint64>* withoutGuardian = nullptr) {
        std::set<qint64> classes, courses, students;
        ForEach(QStringLiteral("CLASS.DB"), [&](schooldb::Table& t) {
            if (classNames.contains(t.FieldByName(QStringLiteral("CLASSNAME")).AsString()))
                classes.insert(t.FieldByName(QStringLiteral("CLASSID")).AsInteger());
        });
        ForEach(QStringLiteral("COURSE.DB"), [&](schooldb::Table& t) {
            if (classes.count(t.FieldByName(QStringLiteral("CLASSID")).AsInteger()))
                courses.insert(t.FieldByName(QStringLiteral("COURSEID")).AsInteger());
        });
        ForEach(QStringLiteral("STUDENT.DB"), [&](schooldb::Table& t) {
            if (courses.count(t.FieldByName(QStringLiteral("COURSEID")).AsInteger()))
                students.insert(t.FieldByName(QStringLiteral("STUDENTID")).AsInteger());
        });
        std::set<qint64> guarded;
        ForEach(QStringLiteral("GUARDIAN.DB"), [&](schooldb::Table& t) {
            if (students.count(t.FieldByName(QStringLiteral("STUDENTID")).AsInteger()))
                guarded.insert(t.FieldByName(QStringLiteral("STUDENTID")).AsInteger());
        });
        if (withoutGuardian) {
            withoutGuardian->clear();
            std::set_difference(students.begin(), students.end(), guarded.begin(), guarded.end(),
                                std::inserter(*withoutGuardian, withoutGuardian->end()));
        }
        return guarded;
    }
    // Subject ids by title, for the classes named.
    std::map<QString, std::set<qint64>> SubjectIds() {
        std::map<QString, std::set<qint64>> ids;
        ForEach(QStringLiteral("SUBJECT.DB"), [&](schooldb::Table& t) {
            ids[t.FieldByName(QStringLiteral("SUBJNAME")).AsString()].insert(
                t.FieldByName(QStringLiteral("SUBJECTID")).AsInteger());
        });
        return ids;
    }
};

// The student id of a sheet row: the first part of its key, without a state.
qint64 StudentOf(const GradeSheet& sheet, int row) {
    return sheet.Cell(row, 0).section(QLatin1Char('|'), 0, 0).section(QLatin1Char(';'), 0, 0).toLongLong();
}

int RowOfStudent(const GradeSheet& sheet, qint64 student) {
    for (int r = 1; r < sheet.RowCount(); ++r)
        if (StudentOf(sheet, r) == student)
            return r;
    return -1;
}

int ColumnOf(const GradeSheet& sheet, const QString& title) {
    for (int c = 0; c < sheet.ColCount(); ++c)
        if (sheet.Cell(0, c) == title)
            return c;
    return -1;
}

void WaitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A double click as the mouse makes it: press, release, the second press
// (which arrives as the double click) and its release.
void DoubleClickAt(QWidget* widget, const QPoint& at) {
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

// A click on a row of a table view, as the mouse makes it.
void ClickRow(QTableView* view, int row, int column = 2) {
    const QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

// One of the teacher's entries: a value typed into a student's subject cell.
struct Entry {
    qint64 student = 0;
    QString subject;
    QString value;
};

class JourneyWindows : public ::testing::Test {
protected:
    void SetUp() override {
        UseLocale(GreekLocale()); // the office's regional settings: a decimal comma
        state.ProgramFolder = dir.Path(QStringLiteral("office")) + QLatin1Char('/');
        state.SettingsPath = dir.Path(QStringLiteral("settings/ZENTIK.INI"));
        dataFolder = dir.Path(QStringLiteral("data"));
        schoolFolder = dataFolder + QStringLiteral("/MV202526.SYR");
        QDir().mkpath(dir.Path(QStringLiteral("usb")));
        schooldb::WriteDemoSchool(schoolFolder);
        // An office that has changed the administrator's password: opening the
        // year asks who signs in. The teacher may post grades, nothing more.
        QString teacher(32, QLatin1Char('0'));
        teacher[0] = QLatin1Char('1');
        teacher[7] = QLatin1Char('1');
        schooldb::SchoolTables::User()
            .Row({QStringLiteral("TALMIR"), QStringLiteral("ΓΡΑΦΕΙΟ"), QStringLiteral("Διαχείριση"), 0,
                  QStringLiteral("2025"), QString(32, QLatin1Char('1'))})
            .Row({QStringLiteral("ΠΑΠΑΔΟΠΟΥΛΟΥ"), QStringLiteral("ΜΑΘ2025"), QStringLiteral("Καθηγητές"), 2,
                  QStringLiteral("2025"), teacher})
            .Write(schoolFolder);
    }
    void TearDown() override {
        if (main) {
            // A failed journey leaves without the exit question.
            main->setAttribute(Qt::WA_DeleteOnClose, false);
            main.reset();
        }
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    QToolButton* MainButton(const char* name) {
        auto* button = main->findChild<QToolButton*>(QString::fromLatin1(name));
        EXPECT_TRUE(button) << name;
        return button;
    }
    void ClickMain(const char* name) {
        QToolButton* button = MainButton(name);
        ASSERT_TRUE(button && button->isEnabled()) << name << " is not there to press";
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Clicks the folder's item in the left list, which shows its page.
    void ChooseFolder(DocumentPage page) {
        QListWidget* list = main->lstvInOutDocs();
        QListWidgetItem* item = list->item(static_cast<int>(page));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
        EXPECT_EQ(main->Book()->currentIndex(), static_cast<int>(page));
    }
    // Clicks the row of a file in a folder's grid; the row found.
    int ChooseFile(DocumentPage page, const QString& name) {
        DocumentListModel* model = main->ListModel(page);
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->FileNameAt(r) == name) {
                ClickRow(main->Grid(page), r);
                EXPECT_EQ(main->Grid(page)->currentIndex().row(), r);
                return r;
            }
        }
        ADD_FAILURE() << "no file " << name.toStdString() << " in the list";
        return -1;
    }

    // Ticks the sheet's classes and subjects and chooses its grade column, as
    // the user does in a new filter window, by double clicks and the fields dialog.
    void ChooseSheet(TFormExpoFilter& filter) {
        for (const QString& name : kClasses)
            DoubleClick(filter, SelectionKind::Classes, name);
        for (const QString& name : kSubjects)
            DoubleClick(filter, SelectionKind::Subjects, name);
        ui.ExpectModal([](QObject& dialog) {
            auto& fields = dynamic_cast<TFormTableFields&>(dialog);
            fields.show();
            EXPECT_FALSE(fields.SpinEditFixedCols()->isEnabled()) << "the subjects are on the sheet";
            fields.PeriodCoBo()->setCurrentIndex(kGradeColumn);
            EXPECT_EQ(fields.PeriodCoBo()->currentText(), QStringLiteral("4ος Βαθμός"));
            fields.btnOk()->click();
            return fields.result();
        });
        QTest::mouseClick(filter.Button(QStringLiteral("tbtnFields")), Qt::LeftButton);
        EXPECT_EQ(filter.Composition().PeriodIndex, kGradeColumn);
    }
    void DoubleClick(TFormExpoFilter& filter, SelectionKind kind, const QString& caption) {
        QTableView* view = filter.SelectionView(kind);
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            const QModelIndex index = view->model()->index(r, 1);
            if (index.data().toString() != caption)
                continue;
            view->scrollTo(index);
            DoubleClickAt(view->viewport(), view->visualRect(index).center());
            EXPECT_TRUE(filter.Composition().Grid(kind).Ticked(SelectionGridModel::GridRow(r)))
                << "the double click ticked " << caption.toStdString();
            return;
        }
        ADD_FAILURE() << "no row " << caption.toStdString();
    }

    // Opens the filter window's print menu with its button and chooses an item.
    void ChooseFromPrintMenu(TFormExpoFilter& filter, const QString& text) {
        QTest::mouseClick(filter.Button(QStringLiteral("tbtnPrintTable")), Qt::LeftButton);
        QMenu* menu = nullptr;
        for (QMenu* candidate : filter.findChildren<QMenu*>())
            if (candidate->isVisible())
                menu = candidate;
        ASSERT_TRUE(menu) << "the print button opens its menu";
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == text)
                chosen = action;
        ASSERT_TRUE(chosen) << "no menu item " << text.toStdString();
        // The menu closes as the item is chosen, before the item's command runs.
        menu->hide();
        chosen->trigger();
    }

    // What the teacher types into the sent copy: the sheet's first students
    // with the subject switched on get a decimal comma, a marker, grades out
    // of range and a word that is no grade.
    std::vector<Entry> PlanEntries(const GradeSheet& sheet) {
        const int maths = ColumnOf(sheet, kSubjects[0]);
        const int essay = ColumnOf(sheet, kSubjects[1]);
        auto open = [&](int row, int column) {
            return sheet.Cell(row, column) != QStringLiteral("-1") &&
                   sheet.Cell(row, column) != QStringLiteral("-2");
        };
        std::vector<Entry> entries;
        const QStringList values = {QStringLiteral("ΑΠ"), QStringLiteral("25"), QStringLiteral("καλός"),
                                    QStringLiteral("0"), QStringLiteral("18")};
        int next = 0;
        for (int r = 1; r < sheet.RowCount() && next < values.size(); ++r) {
            const qint64 student = StudentOf(sheet, r);
            if (entries.empty()) {
                if (open(r, maths) && open(r, essay)) {
                    entries.push_back({student, kSubjects[0], QStringLiteral("15,5")});
                    entries.push_back({student, kSubjects[1], QStringLiteral("12")});
                }
                continue;
            }
            if (open(r, maths))
                entries.push_back({student, kSubjects[0], values[next++]});
        }
        return entries;
    }

    // The teacher's program: the sent file edited as text in Windows-1253 and
    // saved under another name, its "Modified" key stamped.
    void FillInAsTheTeacher(const QString& sent, const QString& filled, const std::vector<Entry>& entries) {
        QList<QByteArray> lines = ReadBytes(sent).split('\n');
        const int data = static_cast<int>(lines.indexOf("[Data]\r")) + 1;
        ASSERT_GT(data, 0);
        const QStringList titles = CodePage1253::Decode(lines[data]).chopped(1).split(QLatin1Char('\t'));
        int written = 0;
        for (int i = data + 1; i < lines.size(); ++i) {
            if (!lines[i].endsWith('\r'))
                continue; // the end of the file
            QStringList cells = CodePage1253::Decode(lines[i]).chopped(1).split(QLatin1Char('\t'));
            const qint64 student = cells[0].section(QLatin1Char(';'), 0, 0).toLongLong();
            for (const Entry& e : entries) {
                if (e.student != student)
                    continue;
                const qsizetype column = titles.indexOf(e.subject);
                ASSERT_GT(column, 7) << e.subject.toStdString();
                cells[column] = e.value;
                ++written;
            }
            lines[i] = CodePage1253::Encode(cells.join(QLatin1Char('\t'))) + "\r";
        }
        ASSERT_EQ(written, static_cast<int>(entries.size()));
        WriteBytes(filled, lines.join('\n'));
        WriteGradeFileHeaderKey(filled, QStringLiteral("Modified"), Stamp(11, 45));
    }

    void At(int hour, int minute) { ui.SetNow(QDateTime(QDate(2026, 6, 20), QTime(hour, minute))); }
    QString Stamp(int hour, int minute) {
        return RegionalFormats::DateTimeText(QDateTime(QDate(2026, 6, 20), QTime(hour, minute)));
    }
    QString Setting(const char* section, const char* key) {
        return ProfileFile::ReadString(state.SettingsPath, QString::fromLatin1(section),
                                       QString::fromLatin1(key));
    }

    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    std::unique_ptr<TFormMain> main;
    QString dataFolder, schoolFolder;
};

} // namespace

TEST_F(JourneyWindows, OneSheetFromTheFoldersWindowToPostingPrintAndExit) {
    SchoolReader school(schoolFolder);
    int gradeField = -1;
    const GradeRecords gradesBefore = school.Grades(&gradeField);
    ASSERT_GE(gradeField, 0);
    std::set<qint64> unguarded;
    const std::set<qint64> pupils = school.StudentsOf(kClasses, &unguarded);
    ASSERT_GT(pupils.size(), 20u) << "the demo school fills both classes";
    ASSERT_FALSE(unguarded.empty()) << "the demo school has students without a guardian record";

    main = std::make_unique<TFormMain>(state, ui);
    main->show();
    ASSERT_EQ(main->edtSchoolYear()->text(), QStringLiteral("Σχ.Έτος: <ΚΑΝΕΝΑ>"));

    // ---- The data folder is chosen in the Parameters window, the year opened in Folders.
    ui.ExpectModal([&](QObject& dialog) {
        auto& form = dynamic_cast<TParamForm&>(dialog);
        form.show();
        form.ChooseFolder(dataFolder);
        form.OkPathBB()->click();
        return form.result();
    });
    ClickMain("tbtnParams");
    ASSERT_EQ(state.DBPath, dataFolder);

    ui.ExpectModal([&](QObject& dialog) {
        auto& manager = dynamic_cast<TDataManager&>(dialog);
        manager.show();
        QListWidget* years = manager.SchoolYearLB();
        const QList<QListWidgetItem*> found = years->findItems(kYearLabel, Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1) << "the demo year is listed";
        if (found.isEmpty())
            return 0;
        QTest::mouseClick(years->viewport(), Qt::LeftButton, {}, years->visualItemRect(found[0]).center());
        EXPECT_EQ(manager.SchoolYearEdit()->text(), kYearLabel);
        ui.ExpectModal([](QObject& confirm) {
            auto& open = dynamic_cast<TDataOpen&>(confirm);
            open.OkButton()->click();
            return open.result();
        });
        // The teacher signs in, mistyping the password the first time.
        ui.ExpectModal([](QObject& dialog) {
            auto& form = dynamic_cast<TPasswordForm&>(dialog);
            form.show();
            TypeText(form.UserNameEdit(), QStringLiteral("ΠΑΠΑΔΟΠΟΥΛΟΥ"));
            TypeText(form.UserPasswordEdit(), QStringLiteral("μαθ2024"));
            form.OKPasswordBB()->click();
            return form.result();
        });
        ui.ExpectMessage(MessageIcon::Error, QStringLiteral("Το Σύνθημα δεν ταιριάζει!"));
        ui.ExpectModal([](QObject& dialog) {
            auto& form = dynamic_cast<TPasswordForm&>(dialog);
            EXPECT_EQ(form.UserNameEdit()->text(), QStringLiteral("ΠΑΠΑΔΟΠΟΥΛΟΥ")) << "the name stays typed";
            form.UserPasswordEdit()->clear();
            TypeText(form.UserPasswordEdit(), QStringLiteral("μαθ2025"));
            EXPECT_EQ(form.UserPasswordEdit()->text(), QStringLiteral("ΜΑΘ2025")) << "typed in capitals";
            form.OKPasswordBB()->click();
            return form.result();
        });
        manager.OpenBtn()->click();
        return manager.result();
    });
    ClickMain("tbtnFolders");
    ASSERT_EQ(main->edtSchoolYear()->text(), kYearLabel) << "the year opened and the window shows it";
    EXPECT_EQ(state.CurrentUserName, QStringLiteral("ΠΑΠΑΔΟΠΟΥΛΟΥ"));
    EXPECT_TRUE(state.PostingRight());

    // ---- A new sheet: two classes, three subjects, the fourth grade; saved into the OutBox.
    ChooseFolder(DocumentPage::Templates);
    At(9, 0);
    GradeSheet composed;
    ui.ExpectModal([&](QObject& dialog) {
        auto& filter = dynamic_cast<TFormExpoFilter&>(dialog);
        filter.show();
        EXPECT_EQ(filter.edtExpoFileName()->text(), QStringLiteral("Νέο"));
        ChooseSheet(filter);
        composed = filter.Composition().Sheet;
        EXPECT_EQ(filter.grdStudents()->SheetModel()->columnCount(), composed.ColCount())
            << "the grid shows the sheet";
        ui.ExpectModal([](QObject& object) {
            auto& save = dynamic_cast<TFormSave&>(object);
            save.show();
            EXPECT_EQ(save.SaveAsFileEdit()->text(), QStringLiteral("Νέο.agd"));
            save.SaveAsFileEdit()->setText(kSheetName);
            save.OkButton()->click();
            return save.result();
        });
        ui.ExpectMessage(MessageIcon::Information, QStringLiteral("Η Εξαγωγή στο Αρχείο \"") +
                                                       state.ExportsDir + QLatin1Char('/') + kSheetName +
                                                       QStringLiteral(".agd\" ολοκληρώθηκε!"));
        QTest::mouseClick(filter.Button(QStringLiteral("tbtnSaveTable")), Qt::LeftButton);
        filter.move(50, 60);
        filter.resize(700, 520);
        filter.reject();
        return filter.result();
    });
    ClickMain("tbtnNewItem");
    if (HasFailure())
        return;

    // The sheet holds the two classes' students, no one else, and the three subjects.
    std::set<qint64> onSheet;
    for (int r = 1; r < composed.RowCount(); ++r) {
        onSheet.insert(StudentOf(composed, r));
        EXPECT_TRUE(kClasses.contains(composed.Cell(r, 6))) << composed.Cell(r, 6).toStdString();
    }
    EXPECT_EQ(onSheet, pupils) << "the students of the two classes with a guardian record";
    ASSERT_EQ(composed.ColCount(), 11);
    EXPECT_EQ((std::set<QString>{composed.Cell(0, 8), composed.Cell(0, 9), composed.Cell(0, 10)}),
              (std::set<QString>(kSubjects.begin(), kSubjects.end())));
    for (int r = 1; r < composed.RowCount(); ++r)
        for (int c = 8; c < 11; ++c)
            EXPECT_TRUE(composed.Cell(r, c).isEmpty() || composed.Cell(r, c) == QStringLiteral("-1"))
                << "no fourth grade yet: " << composed.Cell(r, c).toStdString();

    const QString saved = state.ExportsDir + QLatin1Char('/') + kSheetName + QStringLiteral(".agd");
    ASSERT_TRUE(QFileInfo::exists(saved));
    EXPECT_TRUE(QDir(state.ImportsDir).entryList(QDir::Files).isEmpty()) << "nothing in the InBox yet";
    EXPECT_EQ(ReadGradeHeader(saved).SchoolYear, QStringLiteral("2025-2026"));
    EXPECT_EQ(ReadGradeHeader(saved).Created, Stamp(9, 0));

    // ---- Sent from the OutBox to the stick.
    ChooseFolder(DocumentPage::OutBox);
    const int outRow = ChooseFile(DocumentPage::OutBox, kSheetName + QStringLiteral(".agd"));
    ASSERT_GE(outRow, 0);
    EXPECT_EQ(main->ListModel(DocumentPage::OutBox)->CellText(outRow, 3), Stamp(9, 0))
        << "the OutBox shows its creation";
    const QString sent = dir.Path(QStringLiteral("usb/")) + kSheetName + QStringLiteral(".agd");
    At(9, 30);
    ui.ExpectSaveFile(QStringLiteral("Αποστολή Αρχείου.."), sent)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + sent + QStringLiteral("\" απεστάλη επιτυχώς!"));
    ClickMain("tbtnExportItem");
    EXPECT_EQ(ui.FileDialogs().back().fileName, kSheetName + QStringLiteral(".agd"));
    ASSERT_TRUE(QFileInfo::exists(sent));
    EXPECT_TRUE(QFileInfo::exists(saved)) << "the OutBox keeps its copy";
    EXPECT_EQ(ReadGradeHeader(sent).Exported, Stamp(9, 30));
    EXPECT_EQ(ReadGradeHeader(saved).Exported, Stamp(9, 30));
    EXPECT_EQ(main->ListModel(DocumentPage::OutBox)->IconOf(outRow), DocumentListModel::RowIcon::Get);

    // ---- Filled in outside and received back under the name the sheet was made with.
    const std::vector<Entry> entries = PlanEntries(composed);
    ASSERT_EQ(entries.size(), 7u);
    const QString filled = dir.Path(QStringLiteral("usb/Βαθμοί Παπαδοπούλου.agd"));
    FillInAsTheTeacher(sent, filled, entries);
    if (HasFatalFailure())
        return;

    ChooseFolder(DocumentPage::InBox);
    const QString received = state.ImportsDir + QLatin1Char('/') + kSheetName + QStringLiteral(".agd");
    At(14, 0);
    ui.ExpectOpenFile(QStringLiteral("Λήψη Αρχείου.."), filled)
        .ExpectMessage(MessageIcon::Information,
                       QStringLiteral("Το Αρχείο \"") + received + QStringLiteral("\" ελήφθη επιτυχώς!"));
    ClickMain("tbtnImportItem");
    ASSERT_TRUE(QFileInfo::exists(received));
    const int inRow = ChooseFile(DocumentPage::InBox, kSheetName + QStringLiteral(".agd"));
    ASSERT_GE(inRow, 0);
    DocumentListModel* inBox = main->ListModel(DocumentPage::InBox);
    EXPECT_EQ(inBox->CellText(inRow, 6), Stamp(14, 0)) << "Imported";
    EXPECT_EQ(inBox->CellText(inRow, 4), Stamp(9, 30)) << "Exported, carried by the teacher's copy";
    EXPECT_EQ(inBox->CellText(inRow, 5), Stamp(11, 45)) << "Modified, the teacher's";
    EXPECT_EQ(inBox->IconOf(inRow), DocumentListModel::RowIcon::Edit);

    // ---- Viewed: the teacher's values as typed.
    ui.ExpectModal([&](QObject& dialog) {
        auto& viewer = dynamic_cast<TFormViewTable&>(dialog);
        viewer.show();
        EXPECT_EQ(viewer.edtExpoFileName()->text(), kSheetName + QStringLiteral(".agd"));
        EXPECT_EQ(viewer.pnlStudentCnt()->text(),
                  QStringLiteral("Σχ.Έτος: 2025-2026 - Μαθητές: ") + QString::number(pupils.size()));
        const GradeSheet& sheet = viewer.Sheet();
        for (const Entry& e : entries)
            EXPECT_EQ(sheet.Cell(RowOfStudent(sheet, e.student), ColumnOf(sheet, e.subject)), e.value);
        viewer.reject();
        return viewer.result();
    });
    ClickMain("tbtnView");

    // ---- Checked and posted into the fourth grade.
    At(14, 30);
    ui.ExpectModal([&](QObject& dialog) {
        auto& posting = dynamic_cast<TFormPostTable&>(dialog);
        posting.resize(900, 500);
        posting.show();
        EXPECT_TRUE(posting.btnPost()->isEnabled());
        posting.PeriodCoBo()->setCurrentIndex(kGradeColumn - 1);
        QTest::mouseClick(posting.btnCheck(), Qt::LeftButton);
        const QString counted = QStringLiteral("Σχ.Έτος: 2025-2026 - Μαθητές: ") +
                                QString::number(pupils.size()) + QStringLiteral(" - Λάθη: 3 - Αλλαγές: 3");
        EXPECT_EQ(posting.pnlStudentCnt()->text(), counted)
            << "25, 0 and the word are errors; 15,5, 12 and 18 change";
        const GradeSheet& sheet = posting.Sheet();
        const QStringList afterCheck = {"15,5", "12", "ΑΠ", "25|Err3", "καλός|Err2", "0|Err3", "18"};
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const int row = RowOfStudent(sheet, entries[i].student);
            const int column = ColumnOf(sheet, entries[i].subject);
            EXPECT_EQ(sheet.Cell(row, column), afterCheck[int(i)]);
            const bool changes =
                !afterCheck[int(i)].contains(QLatin1Char('|')) && entries[i].value != QStringLiteral("ΑΠ");
            EXPECT_EQ(posting.Posting().WouldChange(row, column), changes) << entries[i].value.toStdString();
        }
        ui.ExpectMessage(
            MessageIcon::Question,
            QStringLiteral("Πρόκειται να επικαλύψετε την Βαθμολογία της περιόδου: \"4ος Βαθμός\"!\n"
                           "Θέλετε να προχωρήσετε;"),
            MessageAnswer::Yes);
        QTest::mouseClick(posting.btnPost(), Qt::LeftButton);
        EXPECT_EQ(posting.pnlStudentCnt()->text(), counted);
        EXPECT_TRUE(
            sheet.Cell(RowOfStudent(sheet, entries[0].student), 0).endsWith(QStringLiteral("|Posted")));
        EXPECT_TRUE(posting.btnCheck()->isEnabled());
        posting.reject();
        return posting.result();
    });
    ClickMain("tbtnRun");
    EXPECT_EQ(ReadGradeHeader(received).Posted, Stamp(14, 30));
    EXPECT_EQ(inBox->CellText(inRow, 2), kSheetName + QStringLiteral(".agd"));
    EXPECT_EQ(inBox->CellText(inRow, 7), Stamp(14, 30)) << "the InBox was refilled";
    EXPECT_EQ(inBox->IconOf(inRow), DocumentListModel::RowIcon::Post);

    // GRADE.DB: the three valid numbers went into the fourth grade, nothing else changed.
    const std::map<QString, std::set<qint64>> subjectIds = school.SubjectIds();
    auto recordOf = [&](const Entry& e) {
        for (const auto& [key, fields] : gradesBefore)
            if (key.first == e.student && subjectIds.at(e.subject).count(key.second))
                return key;
        ADD_FAILURE() << "no grade record for " << e.student;
        return GradeKey{};
    };
    GradeRecords expected = gradesBefore;
    expected[recordOf(entries[0])][std::size_t(gradeField)] = FieldValue::Float(15.5);
    expected[recordOf(entries[1])][std::size_t(gradeField)] = FieldValue::Float(12);
    expected[recordOf(entries[6])][std::size_t(gradeField)] = FieldValue::Float(18);
    const GradeRecords gradesAfter = school.Grades();
    ASSERT_EQ(gradesAfter.size(), gradesBefore.size());
    int differing = 0;
    for (const auto& [key, fields] : gradesAfter) {
        if (fields != expected[key]) {
            ++differing;
            ADD_FAILURE() << "grade record " << key.first << "/" << key.second << " is not as expected";
        }
    }
    EXPECT_EQ(differing, 0);

    // ---- Composed again: the posted grades are on the sheet, the refused ones are not.
    At(15, 0);
    const QString title = QStringLiteral("Βαθμοί Γυμνασίου");
    const QString pdf = dir.Path(QStringLiteral("Βαθμοί Γυμνασίου.pdf"));
    QString firstSurname;
    ui.ExpectModal([&](QObject& dialog) {
        auto& filter = dynamic_cast<TFormExpoFilter&>(dialog);
        filter.show();
        ChooseSheet(filter);
        const GradeSheet& sheet = filter.Composition().Sheet;
        const QStringList again = {"15,5", "12", "", "", "", "", "18"};
        for (std::size_t i = 0; i < entries.size(); ++i)
            EXPECT_EQ(
                sheet.Cell(RowOfStudent(sheet, entries[i].student), ColumnOf(sheet, entries[i].subject)),
                again[int(i)])
                << entries[i].value.toStdString();
        firstSurname = sheet.Cell(1, 1);

        // Printed to PDF: the printer chosen from the print menu, then the
        // preparation, the preview and the print dialog.
        filter.edtExpoFileName()->setText(title);
        ui.ExpectPrinterChoice(Printers::PdfPrinterName);
        ChooseFromPrintMenu(filter, QStringLiteral("Εκτυπωτής"));
        EXPECT_EQ(state.PrinterName, Printers::PdfPrinterName);

        ui.ExpectModal([&](QObject& object) {
            auto& status = dynamic_cast<TPrintStatusForm&>(object);
            status.show();
            WaitUntil([&] { return status.Done(); });
            EXPECT_EQ(status.PrintStatusLabel()->text(), QStringLiteral("\n\nΗ Προεπισκόπηση Ολοκληρώθηκε!"));
            status.BtnOkCancel()->click();
            return status.result();
        });
        ui.ExpectModal([&](QObject& object) {
            auto& preview = dynamic_cast<TPreviewForm&>(object);
            preview.show();
            EXPECT_EQ(preview.StatusLabel()->text(), QStringLiteral("Έκθεση: ") + title);
            EXPECT_GE(preview.FilePreview1().PageCount(), 1);
            ui.ExpectModal([&](QObject& object2) {
                auto& print = dynamic_cast<TPrintForm&>(object2);
                print.show();
                EXPECT_EQ(print.ReportNameLabel()->text(), title);
                EXPECT_EQ(print.PrinterNameLabel()->text(), Printers::PdfPrinterName);
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
    ChooseFolder(DocumentPage::Templates);
    ClickMain("tbtnNewItem");
    EXPECT_EQ(state.ReportTitle, title);

    ASSERT_TRUE(QFileInfo::exists(pdf)) << "the print dialog wrote the PDF";
    EXPECT_TRUE(ReadBytes(pdf).startsWith("%PDF"));
    ASSERT_TRUE(HavePoppler())
        << "pdftotext is installed with the test tools (scripts/install-deps.sh --test)";
    const QString printed = PdfPageText(pdf, 1);
    EXPECT_TRUE(printed.contains(QStringLiteral("ΚΑΤΑΣΤΑΣΗ ΒΑΘΜΟΛΟΓΙΑΣ : ") + title))
        << printed.left(400).toStdString();
    ASSERT_FALSE(firstSurname.isEmpty());
    EXPECT_TRUE(printed.contains(firstSurname)) << firstSurname.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("15,5"))) << "the posted grade as the office writes it";

    // ---- Leaving: the question answered OK, the settings written.
    main->move(30, 40);
    main->resize(640, 480);
    ui.ExpectMessage(MessageIcon::Warning,
                     QStringLiteral("Πρόκειται να εγκαταλείψετε το \"Ηλεκτρονικό Κάλντο\"!"),
                     MessageAnswer::Ok);
    ClickMain("tbtnExit");
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(state.MorvenDataBase().Connected()) << "leaving closes the connection";
    main.reset();

    EXPECT_EQ(Setting("Directory", "DBPath"), dataFolder);
    EXPECT_EQ(Setting("fc_Main", "X"), QStringLiteral("30"));
    EXPECT_EQ(Setting("fc_Main", "W"), QStringLiteral("640"));
    EXPECT_EQ(Setting("fc_Main", "H"), QStringLiteral("480"));
    EXPECT_EQ(Setting("fc_Filter", "X"), QStringLiteral("50"));
    EXPECT_EQ(Setting("fc_Filter", "W"), QStringLiteral("700"));
    EXPECT_EQ(Setting("fc_Post", "W"), QStringLiteral("900")) << "the posting window as it was left";
}
