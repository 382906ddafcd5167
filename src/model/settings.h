// The program-wide settings record, read by every subsystem and stored in Vopa.dat.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace rz {

// General flags.
constexpr uint32_t kGenLengthByBottom = 1u << 0;   // 长度按实际底长
constexpr uint32_t kGenWidthByGirth = 1u << 1;     // 宽度按围度的1/3
constexpr uint32_t kGenMultiPick = 1u << 2;        // 多元选取
constexpr uint32_t kGenAutoSave = 1u << 4;         // 自动保存
constexpr uint32_t kGenSlotSharpCorner = 1u << 6;  // 槽线尖角
constexpr uint32_t kGenMoveCoincident = 1u << 9;   // 同点移动
constexpr uint32_t kGenKeepDataFolder = 1u << 10;  // 缺省路径
constexpr uint32_t kGenMiddlePans = 1u << 11;      // middle button pans instead of zooming

// Display flags.
constexpr uint32_t kDispGrid = 1u << 0;          // 显示网格
constexpr uint32_t kDispEndMarks = 1u << 1;      // 端点指示
constexpr uint32_t kDispAllSizes = 1u << 2;      // 全号显示
constexpr uint32_t kDispAux = 1u << 3;           // 辅助显示
constexpr uint32_t kDispScan = 1u << 4;          // 扫描显示
constexpr uint32_t kDispTransient = 1u << 5;     // transient drawing state, cleared on load
constexpr uint32_t kDispShared = 1u << 6;        // 共用显示
constexpr uint32_t kDispFixedDist = 1u << 7;     // 定距显示
constexpr uint32_t kDispFrontSym = 1u << 8;      // 前对称显示
constexpr uint32_t kDispHidden = 1u << 9;        // 隐藏显示
constexpr uint32_t kDispPreview = 1u << 10;      // preview in the file dialog
constexpr uint32_t kDispAutoFit = 1u << 11;      // 自动满屏

struct Settings {
    uint32_t displayFlags = 0x81A;
    uint32_t word3 = 0;
    uint32_t generalFlags = 0x7C1;
    std::array<int32_t, 16> penNumbers{1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8};
    int32_t word20 = 0;
    int32_t word37 = 2;  // back-screen tool: 0 full cut, 1 half cut, 2 pen stroke, 3 none

    int32_t autoSaveInterval = 0;  // ms; 0 means 10000
    int32_t fileCounter = 0;       // next numbered auto-save
    float gridUnit = 1000.0f;      // 0.01 mm
    int32_t snapRange = 8;         // pixels, 1–16
    int32_t pickRange = 5;         // pixels, 1–8
    int32_t dashLong = 15;
    int32_t dashShort = 5;
    float safetyDistance = 200.0f;
    int32_t centimetreDisplay = 0;
    int32_t lengthUnit = 3;
    int32_t areaUnit = 3;
    int32_t defaultLineWidth = 2;
    std::array<uint32_t, 19> colours = defaultColours();  // 0x00BBGGRR
    int32_t defaultOrigLine = 2;         // default 原线 setting
    float pinDistanceCheck = 150.0f;
    float needleDiameter = 100.0f;
    std::array<float, 5> seamAllowances{500.0f, 800.0f, 400.0f, 100.0f, 1200.0f};
    float slotDepth = 120.0f;
    float equidistance = 400.0f;
    float chamferRadius = 500.0f;
    float notchAngle = 1.0471976f;
    float markDepth = 200.0f;  // also the default notch depth
    std::array<int32_t, 2> extractionMethod{0, 1};
    int32_t defaultCurveMethod = 0;
    int32_t sampleCount = 0;

    // 6 columns × 7 rows (定针, 鞋号, 记号, 图案, 字串, 槽线, 水平).
    std::array<std::array<int32_t, 7>, 6> outputMatrix = defaultOutputMatrix();
    int32_t currentPage = 0;
    std::array<std::string, 6> columnLabels{"做", "划", "托", "底", "里", "样"};
    std::string dataFolder;  // ends with '/'; filled from the home folder at start
    std::string pictureFolder;
    std::string plotFolder;
    std::string dxfFolder;

    // Design defaults remembered for 清屏 (block 5 of the settings file).
    uint32_t defaultDesignFlags = 0x30000;
    int32_t defaultSizeSystem = 0;
    int32_t defaultSizeCategory = 3;
    int32_t defaultLabelFormat = 1;

    // The fourteen editable drawing colours (改变显示颜色) followed by five spare slots.
    static std::array<uint32_t, 19> defaultColours() {
        return {0x000000, 0x646496, 0x00B4B4, 0xA000A0, 0x404040, 0x28287A, 0x28287A,
                0x805000, 0x505068, 0x0000FF, 0xFFFF80, 0xFFFFFF, 0x966464, 0x505068,
                0, 0, 0, 0, 0};
    }

    static std::array<std::array<int32_t, 7>, 6> defaultOutputMatrix() {
        std::array<std::array<int32_t, 7>, 6> m{};
        for (auto& col : m) col.fill(1);
        for (auto& col : m) col[6] = 0;  // 水平 row
        m[1][0] = 0;                      // 划: 定针
        m[1][3] = 0;                      // 划: 图案
        return m;
    }

    bool autoSaveOn() const { return (generalFlags & kGenAutoSave) != 0; }
    int autoSaveMillis() const { return autoSaveInterval > 0 ? autoSaveInterval : 10000; }
};

}  // namespace rz
