#include "core/shell/ProgramFolders.h"

#include "base/FileErrors.h"
#include "base/ProgramConstants.h"
#include "base/SharedRoutines.h"
#include "base/UiServices.h"
#include "schooldb/builder/SchoolGenerator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#ifndef EKALDO_RESOURCES_FROM_BINDIR
#define EKALDO_RESOURCES_FROM_BINDIR "../share/ekaldo"
#endif

namespace ekaldo {
namespace {

QString Folder(const QString& path) {
    return AddTrailingBackslash(QDir::toNativeSeparators(QDir::cleanPath(path)));
}

QString CannotCreate(const QString& folder) {
    return QStringLiteral("Ο Φάκελος \"") + folder + QStringLiteral("\" δεν μπορεί να δημιουργηθεί!");
}

// Fills a fresh folder with what a first start brings: the document folders
// and the demo school year.
void FillDataFolder(const QString& folder) {
    for (const char* name : {"Imports", "Exports", "Templates"}) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(name));
        if (!QDir().mkpath(path))
            throw FileError(CannotCreate(path), path);
    }
    schooldb::WriteDemoSchool(QDir(folder).filePath(DemoSchoolYearFolderName));
}

} // namespace

ProgramFolders ProgramFolders::Choose(const QString& executableFolder, const QString& userDataFolder) {
    const QDir executable(executableFolder);
    ProgramFolders folders;
    folders.ResourceFolder = folders.DataFolder = Folder(executable.absolutePath());
    if (QFileInfo::exists(executable.filePath(Program::HelpFileName)))
        return folders;
    const QString shared = executable.absoluteFilePath(QStringLiteral(EKALDO_RESOURCES_FROM_BINDIR));
    const bool sharedLayout = QFileInfo::exists(QDir(shared).filePath(Program::HelpFileName));
    if (!sharedLayout && QFileInfo(executable.absolutePath()).isWritable())
        return folders;
    // Even with the shared folder missing, the help window then names the
    // place the help file belongs in.
    folders.ResourceFolder = Folder(shared);
    folders.DataFolder = Folder(userDataFolder);
    folders.Installed = true;
    return folders;
}

ProgramFolders ProgramFolders::OfRunningProgram() {
    return Choose(QCoreApplication::applicationDirPath(), UserDataFolder());
}

QString ProgramFolders::UserDataFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("ekaldo"));
}

bool PrepareDataFolder(const ProgramFolders& folders, UiServices& ui) {
    if (!folders.Installed)
        return true;
    const QString target = QDir::cleanPath(folders.DataFolder);
    if (QFileInfo::exists(target))
        return true;
    const QString shown = QDir::toNativeSeparators(target);
    // Made under another name beside its place and renamed at the end, so no
    // half-made folder is ever taken for a prepared one.
    const QString parent = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(parent)) {
        ui.Error(CannotCreate(shown));
        return false;
    }
    QTemporaryDir staging(QDir(parent).filePath(QStringLiteral(".ekaldo-first-start-XXXXXX")));
    if (!staging.isValid()) {
        ui.Error(CannotCreate(shown));
        return false;
    }
    try {
        FillDataFolder(staging.path());
    } catch (const EkaldoError& e) {
        ui.Error(CannotCreate(shown) + QLatin1Char('\n') + e.Message());
        return false;
    }
    if (!QDir().rename(staging.path(), target)) {
        ui.Error(CannotCreate(shown));
        return false;
    }
    staging.setAutoRemove(false);
    ui.Information(QStringLiteral("Καλώς ήρθατε στο ") + Program::ApplicationTitle +
                   QStringLiteral("!\n\nΟι φάκελοι Imports, Exports και Templates και το σχολικό έτος "
                                  "επίδειξης 2025-2026 δημιουργήθηκαν στον φάκελο\n\"") +
                   shown + QStringLiteral("\".\n\nΕκεί θα βρίσκετε τα αρχεία σας."));
    return true;
}

} // namespace ekaldo
