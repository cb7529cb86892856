#pragma once

#include "shell/AppState.h"

namespace ekaldo {

// The six header keys of a grade template file; empty values where the file,
// section or key is missing. Never fails.
TemplateHeader ReadTemplateHeader(const QString& path);

// Reads the header into state.TemplateFileHeader.
void ReadTemplateFileHeader(AppState& state, const QString& path);

} // namespace ekaldo
