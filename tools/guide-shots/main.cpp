// guide-shots: the pictures of the user guide, taken from the program's real
// windows on a real display (docs/guide/make-screenshots.sh runs it under
// Xvfb with a window manager).
//
//   guide-shots --db FOLDER --work FOLDER --out FOLDER --help-file Zentik.hlp
//
// --db holds the demo school's year folders; --work gets the program's
// folder (e-Κάλντο/, with the document folders and the backups), the copy
// sent to the teacher (USB/) and the PDF (Έγγραφα/); --out the pictures. The
// paths show in the program's messages: a fixed --work keeps the pictures the
// same from run to run.
//
// It walks one grade sheet down the office's road with the main window's own
// buttons: open the school year, compose and save the sheet and a template,
// send it, let a teacher fill it in, receive it, view, print, check, post,
// undo and post again. Every message box, file dialog and modal window gets
// its answer from the script below; anything unforeseen fails the run.
#include "ShotUiServices.h"

#include "base/CodePage1253.h"
#include "base/FileErrors.h"
#include "base/ProgramConstants.h"
#include "base/RegionalFormats.h"
#include "base/SharedRoutines.h"
#include "core/compose/SelectionGrid.h"
#include "core/exchange/GradeDataFile.h"
#include "core/shell/AppState.h"
#include "gui/TDatModImages.h"
#include "gui/compose/TFormExpoFilter.h"
#include "gui/print/TPreviewForm.h"
#include "gui/print/TPrintForm.h"
#include "gui/print/TPrintStatusForm.h"
#include "gui/review/TFormPostTable.h"
#include "gui/review/TFormViewTable.h"
#include "gui/schooldb/TPasswordForm.h"
#include "gui/shell/GeneralErrorReport.h"
#include "gui/shell/TAboutForm.h"
#include "gui/shell/TFormMain.h"
#include "gui/shell/THelpWindow.h"
#include "gui/shell/TParamForm.h"
#include "report/Printers.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QFont>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTextBrowser>
#include <QTextStream>
#include <QToolButton>
#include <QTreeView>

#include <stdexcept>

namespace ekaldo::guideshots {
namespace {

const QString kSheetName = QStringLiteral("Α1 Πρωινό 4ος Βαθμός");
const QString kTemplateName = QStringLiteral("Α1 Πρωινό");
const QString kCourse = QStringLiteral("Α1 Πρωινό");
const int kPostedColumn = 4; // "4ος Βαθμός": the demo school has grades 1 to 3 for most students

[[noreturn]] void Fail(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

int GridRowOf(const SelectionGrid& grid, const QString& caption) {
    for (int row = 1; row < grid.RowCount(); ++row)
        if (grid.Caption(row) == caption)
            return row;
    Fail(QStringLiteral("no row \"") + caption + QStringLiteral("\" to tick"));
}

template <class T> T& Child(QWidget& window, const QString& name) {
    T* child = window.findChild<T*>(name);
    if (!child)
        Fail(QStringLiteral("no control ") + name + QStringLiteral(" in ") + window.objectName());
    return *child;
}

void Shown(QWidget& window) {
    window.show();
    Settle(300);
}

// The teacher's side, outside the program: grades typed into the copy that
// was sent, a few of them wrong, and the "Modified" stamp of that side.
void FillInAsTeacher(const QString& path, const QString& modified) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("cannot read ") + path);
    QStringList lines = CodePage1253::Decode(file.readAll()).split(QStringLiteral("\r\n"));
    file.close();
    const qsizetype data = lines.indexOf(QStringLiteral("[Data]"));
    if (data < 0)
        Fail(QStringLiteral("no data in ") + path);
    int filled = 0;
    // Row keys ("id;low;high") mark the student lines; the line after [Data] holds the titles.
    for (qsizetype i = data + 2; i < lines.size(); ++i) {
        QStringList cells = lines[i].split(QLatin1Char('\t'));
        if (cells.size() < 9)
            continue;
        for (qsizetype c = 8; c < cells.size(); ++c) {
            if (cells[c] == QStringLiteral("-1") || cells[c] == QStringLiteral("-2"))
                continue;
            ++filled;
            // Mostly whole grades, a few halves with the decimal comma.
            const int base = 9 + (filled * 7) % 12;
            cells[c] = filled % 9 == 0 ? QString::number(base) + QStringLiteral(",5") : QString::number(base);
        }
        lines[i] = cells.join(QLatin1Char('\t'));
    }
    // What a hurried teacher leaves: a grade above the range, a letter O for a
    // zero, and an absence written out, which is no error.
    auto setCell = [&](int student, int column, const QString& text) {
        QStringList cells = lines[data + 1 + student].split(QLatin1Char('\t'));
        if (column < cells.size() && cells[column] != QStringLiteral("-1") &&
            cells[column] != QStringLiteral("-2"))
            cells[column] = text;
        lines[data + 1 + student] = cells.join(QLatin1Char('\t'));
    };
    setCell(3, 8, QStringLiteral("25"));
    setCell(4, 9, QStringLiteral("1Ο"));
    setCell(6, 10, QStringLiteral("ΑΠΩΝ"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(CodePage1253::Encode(lines.join(QStringLiteral("\r\n")))) < 0)
        Fail(QStringLiteral("cannot write ") + path);
    file.close();
    WriteGradeFileHeaderKey(path, QStringLiteral("Modified"), modified);
}

class Scenario {
public:
    Scenario(AppState& state, ShotUiServices& ui, Camera& camera, const QString& work,
             const QString& helpFile)
        : m_state(state), m_ui(ui), m_camera(camera), m_work(work), m_helpFile(helpFile) {}

    void Run(TFormMain& main);

private:
    void ChooseList(TFormMain& main, DocumentPage page, const QString& fileName = QString());
    void Click(TFormMain& main, const char* button);
    void OpenSchoolYear(TFormMain& main);
    void SignInWindow(TFormMain& main);
    void Compose(TFormMain& main);
    void SendAndReceive(TFormMain& main);
    void ViewAndPrint(TFormMain& main);
    void CheckAndPost(TFormMain& main);
    void Settings(TFormMain& main);
    void Help();

    AppState& m_state;
    ShotUiServices& m_ui;
    Camera& m_camera;
    QString m_work, m_helpFile;
};

void Scenario::ChooseList(TFormMain& main, DocumentPage page, const QString& fileName) {
    main.lstvInOutDocs()->setCurrentRow(static_cast<int>(page));
    if (!fileName.isEmpty()) {
        DocumentListModel* model = main.ListModel(page);
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->FileNameAt(row) == fileName) {
                main.Grid(page)->selectRow(row);
                main.Grid(page)->setCurrentIndex(model->index(row, 2));
            }
        }
    }
    Settle(100);
}

void Scenario::Click(TFormMain& main, const char* button) {
    QToolButton* b = main.Button(QString::fromLatin1(button));
    if (!b || !b->isEnabled())
        Fail(QStringLiteral("button ") + QString::fromLatin1(button) +
             QStringLiteral(" is not there or disabled"));
    b->click();
    Settle(100);
}

void Scenario::OpenSchoolYear(TFormMain& main) {
    m_camera.Shoot(main, QStringLiteral("main-start"));
    // The menu bar holds the toolbar's commands with their keys.
    QMenu* file = main.menuBar()->actions().value(0) ? main.menuBar()->actions().value(0)->menu() : nullptr;
    if (!file)
        Fail(QStringLiteral("no menu Αρχείο"));
    file->popup(main.menuBar()->mapToGlobal(
        main.menuBar()->actionGeometry(main.menuBar()->actions().value(0)).bottomLeft()));
    Settle(400);
    m_camera.Shoot(main, QStringLiteral("main-menu"));
    file->hide();
    Settle(200);
    m_ui.ExpectWindow(QStringLiteral("DataManager"), [this](QDialog& manager) {
        // Wide enough for its title, which names the data folder; as high as
        // its placement, or the frame is taken before the window settles.
        manager.resize(440, 252);
        Shown(manager);
        m_camera.Shoot(manager, QStringLiteral("folders"));
        m_ui.ExpectWindow(QStringLiteral("DataOpen"), [this](QDialog& confirm) {
            Shown(confirm);
            m_camera.Shoot(confirm, QStringLiteral("open-folder"));
            return int(QDialog::Accepted);
        });
        Child<QPushButton>(manager, QStringLiteral("OpenBtn")).click();
        return manager.result();
    });
    Click(main, "tbtnFolders");
    if (!m_state.SchoolYearOpen())
        Fail(QStringLiteral("the school year did not open"));
}

// The demo school signs its administrator in without asking; the sign-in
// window that other users meet is shown here on its own, as it asks.
void Scenario::SignInWindow(TFormMain& main) {
    TPasswordForm form(&main);
    form.UserNameEdit()->setText(QStringLiteral("ΠΑΠΑΔΟΠΟΥΛΟΥ"));
    form.UserPasswordEdit()->setText(QStringLiteral("ΜΑΘ2025"));
    Shown(form);
    m_camera.Shoot(form, QStringLiteral("sign-in"));
    form.reject();
}

void Scenario::Compose(TFormMain& main) {
    ChooseList(main, DocumentPage::Templates);
    m_camera.Shoot(main, QStringLiteral("main-year-open"));
    m_ui.ExpectWindow(QStringLiteral("FormExpoFilter"), [this](QDialog& dialog) {
        auto& filter = static_cast<TFormExpoFilter&>(dialog);
        Shown(filter);
        m_camera.Shoot(filter, QStringLiteral("filter-new"));
        SelectionGrid& courses = filter.Composition().Grid(SelectionKind::Courses);
        filter.ToggleRow(SelectionKind::Courses, GridRowOf(courses, kCourse));
        // The subjects of the first class of the lower school.
        SelectionGrid& subjects = filter.Composition().Grid(SelectionKind::Subjects);
        for (const QString& subject :
             {QStringLiteral("Μαθηματικά"), QStringLiteral("Έκθεση"), QStringLiteral("Αρχαία"),
              QStringLiteral("Φυσική"), QStringLiteral("αγγλικά")})
            filter.ToggleRow(SelectionKind::Subjects, GridRowOf(subjects, subject));
        filter.edtExpoFileName()->setText(kSheetName);
        Settle(200);
        m_camera.Shoot(filter, QStringLiteral("filter"));

        m_ui.ExpectWindow(QStringLiteral("FormTableFields"), [this](QDialog& fields) {
            Shown(fields);
            m_camera.Shoot(fields, QStringLiteral("table-fields"));
            return int(QDialog::Rejected);
        });
        filter.tbtnFieldsClick();

        // The template keeps the choice under the course's name.
        filter.edtExpoFileName()->setText(kTemplateName);
        m_ui.ExpectWindow(QStringLiteral("FormSave"), [this](QDialog& save) {
            save.resize(460, save.height());
            Shown(save);
            m_camera.Shoot(save, QStringLiteral("save-template"));
            return int(QDialog::Accepted);
        });
        m_ui.ExpectMessage(MessageAnswer::Ok);
        filter.tbtnSaveTemplateClick();

        filter.edtExpoFileName()->setText(kSheetName);
        m_ui.ExpectWindow(QStringLiteral("FormSave"), [this](QDialog& save) {
            save.resize(460, save.height());
            Shown(save);
            // Shown right after the message of the template's save: let it map.
            Settle(500);
            m_camera.Shoot(save, QStringLiteral("save-sheet"));
            return int(QDialog::Accepted);
        });
        m_ui.ExpectMessage(MessageAnswer::Ok, QStringLiteral("save-sheet-done"));
        filter.tbtnSaveTableClick();
        return int(QDialog::Accepted);
    });
    Click(main, "tbtnNewItem");
    ChooseList(main, DocumentPage::Templates, kTemplateName + QStringLiteral(".agt"));
    m_camera.Shoot(main, QStringLiteral("main-templates"));
}

void Scenario::SendAndReceive(TFormMain& main) {
    const QString fileName = kSheetName + QStringLiteral(".agd");
    const QString teacherCopy = QDir(m_work).filePath(QStringLiteral("USB/") + fileName);
    QDir().mkpath(QFileInfo(teacherCopy).path());
    m_ui.AdvanceClock(20);
    ChooseList(main, DocumentPage::OutBox, fileName);
    m_camera.Shoot(main, QStringLiteral("main-outbox"));
    m_ui.ExpectFile(teacherCopy);
    m_ui.ExpectMessage(MessageAnswer::Ok, QStringLiteral("send-done"));
    Click(main, "tbtnExportItem");
    ChooseList(main, DocumentPage::OutBox, fileName);
    m_camera.Shoot(main, QStringLiteral("main-outbox-sent"));

    // Two days later the teacher has filled it in and brings it back.
    m_ui.AdvanceClock(2 * 24 * 60 + 5 * 60);
    FillInAsTeacher(teacherCopy, RegionalFormats::DateTimeText(m_ui.Now()));
    m_ui.AdvanceClock(26 * 60);
    ChooseList(main, DocumentPage::InBox);
    m_ui.ExpectFile(teacherCopy);
    m_ui.ExpectMessage(MessageAnswer::Ok, QStringLiteral("receive-done"));
    Click(main, "tbtnImportItem");
    ChooseList(main, DocumentPage::InBox, fileName);
    m_camera.Shoot(main, QStringLiteral("main-inbox"));
}

void Scenario::ViewAndPrint(TFormMain& main) {
    QDir().mkpath(QDir(m_work).filePath(QStringLiteral("Έγγραφα")));
    m_ui.ExpectWindow(QStringLiteral("FormViewTable"), [this](QDialog& dialog) {
        auto& viewer = static_cast<TFormViewTable&>(dialog);
        Shown(viewer);
        m_camera.Shoot(viewer, QStringLiteral("view"));

        m_ui.ExpectPrinterChoice(Printers::PdfPrinterName, QStringLiteral("choose-printer"));
        viewer.PrinterSetupClick();

        // The report is prepared in its status window, which starts once it
        // shows and waits for its OK at the end.
        m_ui.ExpectWindow(QStringLiteral("PrintStatusForm"), [this](QDialog& dialog) {
            auto& status = static_cast<TPrintStatusForm&>(dialog);
            Shown(status);
            for (int i = 0; i < 300 && !status.Done(); ++i)
                Settle(100);
            if (!status.Done())
                Fail(QStringLiteral("the report was never prepared"));
            m_camera.Shoot(status, QStringLiteral("print-status"));
            Child<QPushButton>(status, QStringLiteral("btnOkCancel")).click();
            return status.result();
        });
        m_ui.ExpectWindow(QStringLiteral("PreviewForm"), [this](QDialog& dialog) {
            auto& preview = static_cast<TPreviewForm&>(dialog);
            Shown(preview);
            // At 100 %, as the page prints: a fitted page would be shrunk once more in the guide.
            preview.FilePreview1().SetZoomFactor(100);
            Settle(200);
            m_camera.Shoot(preview, QStringLiteral("preview"));
            m_ui.ExpectWindow(QStringLiteral("PrintForm"), [this](QDialog& dialog) {
                auto& print = static_cast<TPrintForm&>(dialog);
                Shown(print);
                m_camera.Shoot(print, QStringLiteral("print-form"));
                print.BtnOKClick();
                return int(QDialog::Accepted);
            });
            m_ui.ExpectFile(
                QDir(m_work).filePath(QStringLiteral("Έγγραφα/") + kSheetName + QStringLiteral(".pdf")));
            preview.PrintSBClick();
            return int(QDialog::Accepted);
        });
        viewer.PrintClick();
        return int(QDialog::Accepted);
    });
    Click(main, "tbtnView");
}

void Scenario::CheckAndPost(TFormMain& main) {
    m_ui.AdvanceClock(12);
    m_ui.ExpectWindow(QStringLiteral("FormPostTable"), [this](QDialog& dialog) {
        auto& posting = static_cast<TFormPostTable&>(dialog);
        Shown(posting);
        m_camera.Shoot(posting, QStringLiteral("post-window"));
        auto& period = Child<QComboBox>(posting, QStringLiteral("PeriodCoBo"));
        period.setCurrentIndex(kPostedColumn - 1);
        posting.btnCheckClick();
        // The run leaves the last row current; the marks are easier to see from the top.
        posting.grdStudents()->scrollToTop();
        m_camera.Shoot(posting, QStringLiteral("post-check"));

        m_ui.ExpectMessage(MessageAnswer::Yes, QStringLiteral("post-confirm"));
        posting.btnPostClick();
        posting.grdStudents()->scrollToTop();
        m_camera.Shoot(posting, QStringLiteral("post-done"));

        m_ui.AdvanceClock(7);
        m_ui.ExpectMessage(MessageAnswer::Yes, QStringLiteral("undo-confirm"));
        m_ui.ExpectMessage(MessageAnswer::Ok, QStringLiteral("undo-done"));
        posting.btnUndoClick();

        // The sheet is right after all: posted again for good.
        m_ui.AdvanceClock(3);
        m_ui.ExpectMessage(MessageAnswer::Yes);
        posting.btnPostClick();
        return int(QDialog::Accepted);
    });
    Click(main, "tbtnRun");
    ChooseList(main, DocumentPage::InBox, kSheetName + QStringLiteral(".agd"));
    m_camera.Shoot(main, QStringLiteral("main-posted"));
}

void Scenario::Settings(TFormMain& main) {
    m_ui.ExpectWindow(QStringLiteral("ParamForm"), [this](QDialog& dialog) {
        auto& params = static_cast<TParamForm&>(dialog);
        Shown(params);
        // The folder tree reads the disk as it goes and opens its way down to
        // the saved folder a moment later.
        QTreeView* tree = params.DirectoryListBox1();
        const QString wanted = QDir(m_state.DBPath).absolutePath();
        for (int i = 0; i < 50; ++i) {
            const auto* model = static_cast<const QFileSystemModel*>(tree->model());
            if (model->filePath(tree->currentIndex()) == wanted)
                break;
            Settle(100);
        }
        // The build machine's own root folders are not an office's: only the
        // folders every Linux system has stay in the picture.
        const QStringList standard = {
            QStringLiteral("bin"),  QStringLiteral("boot"), QStringLiteral("dev"),   QStringLiteral("etc"),
            QStringLiteral("home"), QStringLiteral("lib"),  QStringLiteral("lib64"), QStringLiteral("media"),
            QStringLiteral("mnt"),  QStringLiteral("opt"),  QStringLiteral("proc"),  QStringLiteral("root"),
            QStringLiteral("run"),  QStringLiteral("sbin"), QStringLiteral("srv"),   QStringLiteral("sys"),
            QStringLiteral("tmp"),  QStringLiteral("usr"),  QStringLiteral("var")};
        const auto* model = static_cast<const QFileSystemModel*>(tree->model());
        const QModelIndex root = model->index(QStringLiteral("/"));
        for (int row = 0; row < model->rowCount(root); ++row)
            tree->setRowHidden(row, root, !standard.contains(model->fileName(model->index(row, 0, root))));
        tree->scrollTo(tree->currentIndex(), QAbstractItemView::PositionAtCenter);
        m_camera.Shoot(params, QStringLiteral("params"));
        return int(QDialog::Rejected);
    });
    Click(main, "tbtnParams");
}

void Scenario::Help() {
    THelpWindow help(m_helpFile, m_ui);
    help.resize(700, 560);
    help.ShowContext(1000);
    help.Browser()->scrollToAnchor(QStringLiteral("top"));
    Settle(300);
    m_camera.Shoot(help, QStringLiteral("help"));
    help.GuideButton()->click();
    // The guide's own picture of itself, no wider than the others.
    help.resize(900, 640);
    Settle(300);
    m_camera.Shoot(help, QStringLiteral("help-guide"));
    help.close();
}

void Scenario::Run(TFormMain& main) {
    OpenSchoolYear(main);
    SignInWindow(main);
    Compose(main);
    SendAndReceive(main);
    ViewAndPrint(main);
    CheckAndPost(main);
    Settings(main);
    Help();
}

} // namespace
} // namespace ekaldo::guideshots

int main(int argc, char** argv) {
    using namespace ekaldo;
    using namespace ekaldo::guideshots;
    EkaldoApplication app(argc, argv);
    // No display name: Qt would add it to every window title, the main
    // window's own "e-Κάλντο: Κεντρικό Σύστημα" included.
    app.setApplicationName(QStringLiteral("ekaldo"));
    QTextStream err(stderr);

    QCommandLineParser parser;
    const QCommandLineOption dbOption(QStringLiteral("db"), QStringLiteral("school-year folders"),
                                      QStringLiteral("FOLDER"));
    const QCommandLineOption workOption(QStringLiteral("work"), QStringLiteral("working folder"),
                                        QStringLiteral("FOLDER"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("picture folder"),
                                       QStringLiteral("FOLDER"));
    const QCommandLineOption helpOption(QStringLiteral("help-file"), QStringLiteral("Zentik.hlp"),
                                        QStringLiteral("FILE"));
    parser.addOptions({dbOption, workOption, outOption, helpOption});
    parser.process(app);
    if (!parser.isSet(dbOption) || !parser.isSet(workOption) || !parser.isSet(outOption) ||
        !parser.isSet(helpOption)) {
        err << "Χρήση: guide-shots --db ΦΑΚΕΛΟΣ --work ΦΑΚΕΛΟΣ --out ΦΑΚΕΛΟΣ --help-file Zentik.hlp\n";
        return 2;
    }
    const QString work = QDir(parser.value(workOption)).absolutePath();
    const QString out = QDir(parser.value(outOption)).absolutePath();
    QDir().mkpath(work);
    QDir().mkpath(out);

    // A Greek office: Greek dates, times and the decimal comma.
    QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
    app.setWindowIcon(TDatModImages::AppIcon());
    QFont font(Program::GridFontName);
    font.setPointSize(8);
    app.setFont(font);
    // A steady text cursor: a blinking one would differ from picture to picture.
    QApplication::setCursorFlashTime(0);

    Camera camera(out);
    ShotUiServices ui(camera);
    app.SetUiServices(&ui);

    AppState state;
    state.ProgramFolder = AddTrailingBackslash(QDir(work).filePath(QStringLiteral("e-Κάλντο")));
    state.SettingsPath = QDir(work).filePath(QStringLiteral("ZENTIK.INI"));
    QDir().mkpath(state.ProgramFolder);

    try {
        TFormMain main(state, ui);
        // The settings file is new and gave the first sizes. The guide shows
        // every picture at its own size, and the help window has room for
        // about 940 points: the sheets' windows are taken 900 wide. The main
        // window needs 1010 for its file toolbar's four buttons and all its
        // date columns whole; the help window scrolls sideways for it.
        state.DataManagerPlacement = {120, 120, 440, 252};
        state.FilterPlacement = {40, 30, 896, 640};
        state.ViewPlacement = {40, 30, 896, 560};
        state.PostPlacement = {40, 30, 896, 600};
        state.PreviewPlacement = {40, 30, 896, 640};
        state.MainPlacement = {40, 40, 1010, 470};
        main.setGeometry(state.MainPlacement.x, state.MainPlacement.y, state.MainPlacement.w,
                         state.MainPlacement.h);
        if (auto* splitter = main.findChild<QSplitter*>())
            splitter->setSizes({190, state.MainPlacement.w - 190});
        for (DocumentPage page : {DocumentPage::InBox, DocumentPage::OutBox, DocumentPage::Templates}) {
            QTableView* grid = main.Grid(page);
            const QFontMetrics metrics = grid->fontMetrics();
            grid->setColumnWidth(2, metrics.horizontalAdvance(kSheetName + QStringLiteral(".agd")) + 16);
            const int date = metrics.horizontalAdvance(QStringLiteral("13/11/25 4:32:00 Μ.Μ.")) + 14;
            for (int column = 3; column < 8; ++column)
                grid->setColumnWidth(column, date);
        }
        state.DBPath = AddTrailingBackslash(QDir(parser.value(dbOption)).absolutePath());
        main.show();
        // The start-up banner goes by itself.
        for (int i = 0; i < 100 && main.Banner(); ++i)
            Settle(100);
        Scenario scenario(state, ui, camera, work, parser.value(helpOption));
        scenario.Run(main);
    } catch (const EkaldoError& e) {
        err << "guide-shots: " << e.Message() << '\n';
        return 1;
    } catch (const std::exception& e) {
        err << "guide-shots: " << e.what() << '\n';
        return 1;
    }
    if (camera.Failures() > 0) {
        err << "guide-shots: " << camera.Failures() << " pictures were not taken\n";
        return 1;
    }
    if (ui.Surprises() > 0 || !ui.AllUsed()) {
        err << "guide-shots: the run left its road (" << ui.Surprises() << " unexpected turns)\n";
        return 1;
    }
    err << "guide-shots: " << camera.Saved().size() << " pictures in " << out << '\n';
    return 0;
}
