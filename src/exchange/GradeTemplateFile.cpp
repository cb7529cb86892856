#include "exchange/GradeTemplateFile.h"

#include "platform/ProfileFile.h"

namespace ekaldo {

TemplateHeader ReadTemplateHeader(const QString& path) {
    const ProfileFile::Section header = ProfileFile::ReadSection(path, QStringLiteral("Header"));
    TemplateHeader h;
    h.File = header.Value(QStringLiteral("File"));
    h.Version = header.Value(QStringLiteral("Version"));
    h.Copyright = header.Value(QStringLiteral("Copyright"));
    h.FileName = header.Value(QStringLiteral("FileName"));
    h.FileID = header.Value(QStringLiteral("FileID"));
    h.Created = header.Value(QStringLiteral("Created"));
    return h;
}

void ReadTemplateFileHeader(AppState& state, const QString& path) {
    state.TemplateFileHeader = ReadTemplateHeader(path);
}

} // namespace ekaldo
