#pragma once

#include "core/exchange/DocumentInHand.h"

namespace ekaldo {

// The six header keys of a grade template file; empty values where the file,
// section or key is missing. Never fails.
TemplateHeader ReadTemplateHeader(const QString& path);

// Reads the header into document.TemplateFileHeader.
void ReadTemplateFileHeader(DocumentInHand& document, const QString& path);

struct SheetComposition;
class UiServices;

// Writes the ticked rows of the four selection grids to path (templateName
// is the name it is known by), replacing the file in one step; reports its
// outcome through ui and returns whether the file was written.
bool WriteTemplateFile(const QString& path, const QString& templateName, const SheetComposition& composition,
                       UiServices& ui);

// Unticks every row from 1 on of the four selection grids.
void ClearSelections(SheetComposition& composition);

// Ticks the rows the template at path names; captions the grids no longer
// offer are passed over in silence.
void ReadTemplateSelections(SheetComposition& composition, const QString& path);

} // namespace ekaldo
