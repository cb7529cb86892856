#pragma once

#include <QString>

namespace ekaldo::schooldb {

// A realistic Greek tutoring centre of about 300 students for the school
// year 2025-2026: the demo school the program finds on first run.
void WriteDemoSchool(const QString& folder);

// A school of the given size for measurements: every student in one course,
// enrolled in every subject of its class (subjectsPerStudent per class).
struct GeneratedSchoolSize {
    int students = 10000;
    int subjectsPerStudent = 30;
    int classes = 10;
    bool encrypted = true; // the data tables under the data-table password, as at a school
};
void WriteGeneratedSchool(const QString& folder, const GeneratedSchoolSize& size);

} // namespace ekaldo::schooldb
