#include "model/units.h"

namespace rz {

double LengthInUnit(double v, int unit) {
    switch (unit) {
    case kUnitInch: return v / 100.0 / 25.4;
    case kUnitFoot: return v / 100.0 / 25.4 / 12.0;
    case kUnitMillimetre: return v / 100.0;
    case kUnitCentimetre: return v / 1000.0;
    case kUnitMetre: return v / 100000.0;
    default: return v;
    }
}

double AreaInUnit(double a, int unit) {
    switch (unit) {
    case kUnitInch: return a / 10000.0 / 25.4 / 25.4;
    case kUnitFoot: return a / 10000.0 / 25.4 / 12.0 / 25.4 / 12.0;
    case kUnitMillimetre: return a / 10000.0;
    case kUnitCentimetre: return a / 1000000.0;
    case kUnitMetre: return a / 10000000000.0;
    default: return a;
    }
}

std::string LengthUnitName(int unit) {
    switch (unit) {
    case kUnitInch: return "英寸";
    case kUnitFoot: return "英尺";
    case kUnitMillimetre: return "毫米";
    case kUnitCentimetre: return "厘米";
    case kUnitMetre: return "米";
    default: return "";
    }
}

std::string AreaUnitName(int unit) {
    switch (unit) {
    case kUnitInch: return "平方英寸";
    case kUnitFoot: return "平方英尺";
    case kUnitMillimetre: return "平方毫米";
    case kUnitCentimetre: return "平方厘米";
    case kUnitMetre: return "平方米";
    default: return "";
    }
}

}  // namespace rz
