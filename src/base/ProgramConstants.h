#pragma once

#include <QString>

namespace ekaldo {

enum class GradingScheme { PublicSchool = 0, Tutoring = 1 };

// Fixed when the program is built.
namespace Program {

inline const QString ApplicationTitle = QStringLiteral("e-Κάλντο");
inline const QString MainCaption = QStringLiteral("e-Κάλντο: Κεντρικό Σύστημα");
inline const QString ProgramName = QStringLiteral("Ηλεκτρονικό Κάλντο");
inline const QString ProgramVersion = QStringLiteral("1.5a");
inline const QString CopyrightNotice = QStringLiteral("© 2026 Ομάδα e-Κάλντο");
inline const QString HelpFileName = QStringLiteral("Zentik.hlp");
inline const QString GridFontName = QStringLiteral("Arial");
inline const QString SettingsFileName = QStringLiteral("ZENTIK.INI");
inline const QString NoSchoolYearLabel = QStringLiteral("Σχ.Έτος: <ΚΑΝΕΝΑ>");
inline const QString UnknownSchoolYearLabel = QStringLiteral("Σχ.Έτος: Αγνωστο!");

// The posting runs of a school year whose backups are kept, unless the settings say otherwise.
inline constexpr int kBackupRunsKept = 20;

inline constexpr GradingScheme kGradingScheme = static_cast<GradingScheme>(EKALDO_GRADING_SCHEME);
static_assert(EKALDO_GRADING_SCHEME == 0 || EKALDO_GRADING_SCHEME == 1, "grading scheme is 0 or 1");

inline QString EditionText(GradingScheme scheme) {
    return scheme == GradingScheme::PublicSchool ? QStringLiteral(" για Δημόσια Σχολεία")
                                                 : QStringLiteral(" για Φροντιστήρια");
}

} // namespace Program
} // namespace ekaldo
