#include "core/shell/AppState.h"

#include "base/FileErrors.h"
#include "schooldb/SchoolDatabase.h"

#include <QDir>
#include <QStandardPaths>

namespace ekaldo {

AppState::AppState() = default;
AppState::~AppState() {
    // The database refers to the session: it goes first.
    m_database.reset();
}
AppState::AppState(AppState&&) noexcept = default;

schooldb::Session& AppState::DatabaseSession() {
    if (!m_session)
        m_session = std::make_unique<schooldb::Session>();
    return *m_session;
}

schooldb::Database& AppState::MorvenDataBase() {
    if (!m_database) {
        m_database = std::make_unique<schooldb::Database>(DatabaseSession(), QStringLiteral("MorvenDataBase"));
        m_database->SetDriverName(QStringLiteral("STANDARD"));
        m_database->SetLoginPrompt(false);
        m_database->SetKeepConnection(false);
    }
    return *m_database;
}

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
