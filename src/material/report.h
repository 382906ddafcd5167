// The consumption table of a sheet (算料报表) and the net-consumption texts of the back
// screen's 测量.
#pragma once

#include <string>

#include "output/sheet.h"

namespace rz {

class TFont;
struct Settings;

// Draws the table onto the sheet: pages of ten rows, one row per piece (set-aside and result
// pieces left out) and a total row; every item carries the result bit. Text needs the font.
void MaterialReport(PLTC& sheet, TFont* font);

// "净耗料：…" of one piece, from its outline item.
std::string PieceMeasureText(const PlotItem& outline, const Settings& s);
// "总净耗料：…" of the sheet's pieces over the sheet's device area.
std::string SheetMeasureText(const PLTC& sheet, const Settings& s);

}  // namespace rz
