#include "schooldb/SchoolYearSession.h"

#include "schooldb/SchoolDatabase.h"

namespace ekaldo {

SchoolYearSession::SchoolYearSession() = default;
SchoolYearSession::~SchoolYearSession() {
    // The database refers to the session: it goes first.
    m_database.reset();
}
SchoolYearSession::SchoolYearSession(SchoolYearSession&&) noexcept = default;

schooldb::Session& SchoolYearSession::DatabaseSession() {
    if (!m_session)
        m_session = std::make_unique<schooldb::Session>();
    return *m_session;
}

schooldb::Database& SchoolYearSession::MorvenDataBase() {
    if (!m_database) {
        m_database =
            std::make_unique<schooldb::Database>(DatabaseSession(), QStringLiteral("MorvenDataBase"));
        m_database->SetDriverName(QStringLiteral("STANDARD"));
        m_database->SetLoginPrompt(false);
        m_database->SetKeepConnection(false);
    }
    return *m_database;
}

} // namespace ekaldo
