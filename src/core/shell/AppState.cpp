#include "core/shell/AppState.h"

#include "base/FileErrors.h"

#include <QDir>
#include <QStandardPaths>

namespace ekaldo {

void AppState::SetDocumentFolders() {
    ImportsDir = ProgramFolder + QStringLiteral("Imports");
    ExportsDir = ProgramFolder + QStringLiteral("Exports");
    TemplatesDir = ProgramFolder + QStringLiteral("Templates");
    for (const QString& dir : {ImportsDir, ExportsDir, TemplatesDir}) {
        if (!QDir().mkpath(dir))
            throw FileError(QStringLiteral("Ο Φάκελος \"") + dir + QStringLiteral("\" δεν μπορεί να δημιουργηθεί!"),
                            dir);
    }
}

QString AppState::HelpFilePath() const {
    return (ResourceFolder.isEmpty() ? ProgramFolder : ResourceFolder) + Program::HelpFileName;
}

QString AppState::DefaultSettingsPath() {
    // Windows keeps the file in its own folder; here it goes to the user's
    // configuration folder ($XDG_CONFIG_HOME, else ~/.config).
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir(base).filePath(QStringLiteral("ekaldo/") + Program::SettingsFileName);
}

} // namespace ekaldo
