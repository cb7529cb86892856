#pragma once

#include "base/ProgramConstants.h"

#include <QString>

#include <memory>

namespace ekaldo {

namespace schooldb {
class Database;
class Session;
} // namespace schooldb

// The open school year: where the school years lie, which one is open, who
// signed in to it, and the table-password session and database every table
// and query goes through.
struct SchoolYearSession {
    QString DBPath;
    QString SchoolYearLabel = Program::NoSchoolYearLabel;
    QString SchoolYearCode;

    // The signed-in user of the open school year.
    int UserLevel = 5; // 1 to 4 by group; 5 nobody
    QString UserRights = QString(32, QLatin1Char('0'));
    QString CurrentUserName, CurrentUserPassword;
    // Flag 8 of the user's rights allows posting grades.
    bool PostingRight() const { return UserRights.size() >= 8 && UserRights.at(7) == QLatin1Char('1'); }

    bool SchoolYearOpen() const { return SchoolYearLabel != Program::NoSchoolYearLabel; }

    // Made on first use.
    schooldb::Session& DatabaseSession();
    schooldb::Database& MorvenDataBase();

    SchoolYearSession();
    ~SchoolYearSession();
    SchoolYearSession(SchoolYearSession&&) noexcept;
    SchoolYearSession& operator=(SchoolYearSession&&) = delete;

private:
    std::unique_ptr<schooldb::Session> m_session;
    std::unique_ptr<schooldb::Database> m_database;
};

} // namespace ekaldo
