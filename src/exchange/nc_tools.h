// The 数控机床 tool modes: 看程序 (mode 192) writes the NC program of a picked line to
// "<data folder>Vopa.nbc" and shows it; 轨迹线 (mode 175) fills the picked outline with an
// engraving path at the knife distance of the current sheet.
#pragma once

#include <functional>
#include <string>

#include "interact/engine.h"

namespace rz {

constexpr int kNcProgramMode = 192;
constexpr int kEngraveMode = 175;
constexpr const char* kKnifeDistancePrompt = "请将刀距设置好！";

// The snaking path that fills a closed outline: vertical passes `d` apart, starting `d` inside
// the leftmost point, up and down in turn. The outline is first offset inwards by `d`.
Polyline EngravingPath(const Polyline& outline, float d);

// 轨迹线 at a model point: the path becomes an auxiliary polyline line of the picked line's part.
// False (after the refusal tone) when nothing usable is there.
bool EngraveAt(Engine& e, PointF at, float d);

// 看程序 at a model point: the NC program of the picked line written to `path`; false (after
// the refusal tone) when no line is there or the file cannot be written.
bool WriteNcProgramAt(Engine& e, PointF at, const std::string& path);

// The file 看程序 writes.
std::string NcProgramPath(const Settings& s);

// Installs both modes; `show` opens the program's text window (title "G代码").
void InstallNcTools(Engine& e, std::function<void(const std::string& path)> show);

}  // namespace rz
