#pragma once

#include "core/shell/AppState.h"

namespace ekaldo {

// The six header keys of a grade template file; empty values where the file,
// section or key is missing. Never fails.
TemplateHeader ReadTemplateHeader(const QString& path);

// Reads the header into state.TemplateFileHeader.
void ReadTemplateFileHeader(AppState& state, const QString& path);

struct SheetComposition;
class UiServices;

// Writes the ticked rows of the four selection grids to
// state.CurrentTemplatePath, replacing the file in one step; reports its
// outcome through ui and returns whether the file was written.
bool WriteTemplateFile(const AppState& state, UiServices& ui, const SheetComposition& composition);

// Unticks every row from 1 on of the four selection grids.
void ClearSelections(SheetComposition& composition);

// Ticks the rows the template at path names; captions the grids no longer
// offer are passed over in silence.
void ReadTemplateSelections(SheetComposition& composition, const QString& path);

} // namespace ekaldo
