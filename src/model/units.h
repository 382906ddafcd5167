// The output units of lengths and areas (设定 输出单位: 长度 and 面积). Model values are in
// 0.01 mm and square 0.01 mm; the codes are the settings' length unit and area unit.
#pragma once

#include <string>

namespace rz {

enum UnitCode : int { kUnitInch = 0, kUnitFoot = 1, kUnitMillimetre = 2, kUnitCentimetre = 3, kUnitMetre = 4 };

// Any other code leaves the value unconverted and has an empty name.
double LengthInUnit(double v, int unit);
double AreaInUnit(double a, int unit);
std::string LengthUnitName(int unit);
std::string AreaUnitName(int unit);

}  // namespace rz
