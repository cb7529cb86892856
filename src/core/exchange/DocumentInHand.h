#pragma once

#include <QString>

namespace ekaldo {

// The header of the grade data file read last.
struct GradeHeader {
    QString File, Version, Copyright, FileName, FileID, Created, Exported, Modified, Imported, Posted,
        SchoolYear;
    bool operator==(const GradeHeader&) const = default;
};

// The header of the grade template file read last.
struct TemplateHeader {
    QString File, Version, Copyright, FileName, FileID, Created;
    bool operator==(const TemplateHeader&) const = default;
};

// The grade file and the template the program has in hand: the main window
// chooses them, the window it opens next reads them.
struct DocumentInHand {
    QString CurrentFileName, CurrentFilePath;
    QString CurrentTemplateName, CurrentTemplatePath;
    GradeHeader GradeFileHeader;
    TemplateHeader TemplateFileHeader;
};

} // namespace ekaldo
