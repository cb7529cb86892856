#include "core/shell/ProgramSettings.h"

#include "base/FileErrors.h"
#include "base/ProgramConstants.h"

#include <QDir>
#include <QStandardPaths>

namespace ekaldo {

void ProgramSettings::SetDocumentFolders() {
    ImportsDir = ProgramFolder + QStringLiteral("Imports");
    ExportsDir = ProgramFolder + QStringLiteral("Exports");
    TemplatesDir = ProgramFolder + QStringLiteral("Templates");
    for (const QString& dir : {ImportsDir, ExportsDir, TemplatesDir}) {
        if (!QDir().mkpath(dir))
            throw FileError(
                QStringLiteral("Ο Φάκελος \"") + dir + QStringLiteral("\" δεν μπορεί να δημιουργηθεί!"), dir);
    }
}

QString ProgramSettings::HelpFilePath() const {
    return (ResourceFolder.isEmpty() ? ProgramFolder : ResourceFolder) + Program::HelpFileName;
}

QString ProgramSettings::DefaultSettingsPath() {
    // Windows keeps the file in its own folder; here it goes to the user's
    // configuration folder ($XDG_CONFIG_HOME, else ~/.config).
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir(base).filePath(QStringLiteral("ekaldo/") + Program::SettingsFileName);
}

} // namespace ekaldo
