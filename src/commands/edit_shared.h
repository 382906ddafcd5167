// What the editing tool families (edit_tools.cpp, edit_selection_tools.cpp, edit_line_tools.cpp,
// point_op_tool.cpp) share among themselves; not for the rest of the program.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "commands/draw_common.h"
#include "commands/edit_tools.h"

namespace rz::edit {

std::string Fmt(const char* f, double a, double b);
LengthUnit UnitOf(const Engine& e);
// Whether every point of a shape stays within the pattern limits under the map.
bool StaysWithinLimits(const Shape& shape, const Affine& m);
RecordRef RefOf(const PickResult& r);
bool IsLine(int kind);
bool LineClosed(const Line& l);
// A whole part: its records, and the size labels and dimensions placed in it.
void TransformAll(Engine& e, const std::vector<RecordRef>& rs, const Affine& m);
// A press on no record starts a rubber band; a band that never opened hands the press on.
void BandOr(Engine& e, const Pointer& p, std::function<void(Engine&, const Pointer&)> click);

void InstallSelectionTools(Engine& e);
void InstallLineTools(Engine& e);
void InstallPointOpTool(Engine& e, EditServices services);

}  // namespace rz::edit
