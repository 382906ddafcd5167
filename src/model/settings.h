// The program-wide settings record, read by every subsystem and stored in Vopa.dat.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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
constexpr uint32_t kGenPictureMirrorX = 1u << 12;  // background pictures drawn flipped left to right
constexpr uint32_t kGenPictureMirrorY = 1u << 13;  // … flipped top to bottom
constexpr uint32_t kGenSerialTablet = 1u << 14;    // 启用: the digitizer is on the serial port
constexpr uint32_t kGenCalibrateDxf = 1u << 16;    // 校正 DXF: DXF import applies the scan calibration

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

// Block 1 of the settings file: scan input and the vectoriser (矢量化参数).
struct ScanSettings {
    int32_t scanMethod = 0;    // 扫描方式: 0 轮廓, 1 单线, 2 双线
    int32_t resolution = 200;  // dots per inch when the file gives none
    int32_t reserved = 0;      // 导入单位 of DXF import: 0 毫米, 1 公分, 2 英寸
    float xFactor = 1.0f;      // calibration
    float yFactor = 1.0f;
    float shearX = 0.0f;
    float shearY = 0.0f;
    int32_t validPin = 10;          // 有效定针
    int32_t validPart = 100;        // 有效部位
    float maxNeedle = 200.0f;       // 极大针径, 0.01 mm
    float maxStep = 500.0f;         // 最大步长
    float smallDeviation = 15.0f;   // 较小偏差
    float largeDeviation = 20.0f;   // 较大偏差
    float minSegment = 150.0f;      // 最小线段
    float minTurn = 0.94f;          // 最小转角, radians
    float extremeTurn = 2.2f;       // 极端转角, radians
    std::string bitmapFolder;       // filled from the data folder
};

// Block 2: the persistent values of the curve settings (TSmooth), in stored order.
struct CurveSettings {
    float joinDistance = 50.0f;      // 近零线段, 0.01 mm
    int32_t refitChord = 20;         // mm
    int32_t refitTolerance = 1;      // mm
    float arcFitTolerance = 12.0f;   // 0.01 mm
    float straightness = 1.0f;       // 0.01 mm
};

// Block 3: the stroke-font settings (TFont).
struct FontSettings {
    float charWidth = 0.0f;   // 0 means 128
    float charHeight = 0.0f;  // 0 means 128
    float extra1 = 0.0f;
    float extra2 = 0.0f;
    int32_t vertical = 0;
};

// The serial tablet's line settings (串口定义), stored in the 16-byte group of the settings record.
struct SerialSettings {
    uint8_t baudIndex = 6;      // into the baud list: 9600
    uint8_t dataBitsIndex = 3;  // into 5, 6, 7, 8
    uint8_t parity = 0;         // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t stopBits = 0;       // 0: 1, 1: 1.5, 2: 2 stop bits
    uint8_t portIndex = 0;      // COM1–COM4
    uint8_t dataFormat = 1;     // 0 长地 (6-byte packets), 1 WACOM (7-byte packets)
    uint16_t pad = 0;           // keeps the group as stored
    int32_t resolution = 1270;  // tablet lines per inch
    int32_t range = 0;          // tablet size row: 0 A3, 1 A1, 2 A0, 3 A00, 4 自定义尺寸
};

// Block 6: the document's short cut-setup block (13 words).
struct ShortCutSetup {
    uint32_t cutBits = 0x2D;  // front-screen cut bits 0–5 (定针, 记号, 图案, 槽线)
    int32_t workRange = 0;    // row of the range table: 0 A3, 1 A1, 2 A0, 3 A00, 4 自定义尺寸
    float customWidth = 45720.0f;
    float customHeight = 30480.0f;
    std::array<int32_t, 5> keys{0, 1, 2, 3, 4};  // 定点键, 退点键, 顶点键, 结束键, 角点键
    std::array<float, 4> menuRect{0.0f, 0.0f, 0.0f, 0.0f};  // tablet menu x0, y0, x1, y1
};

// Block 8: one output sheet's 62-word settings block with its border polyline and second text.
// Words are kept raw (some hold floats) so that the block round-trips bit for bit; the output
// subsystem gives them meaning.
struct SheetSettings {
    static constexpr int kWords = 62;
    static constexpr int kArrayWord = 7;  // non-zero when the border array follows
    static constexpr int kCountWord = 8;  // its point count
    std::array<uint32_t, kWords> words = defaultWords();
    std::vector<float> border = defaultBorder();  // x, y pairs
    std::string secondText;

    float getFloat(int i) const { float f; std::memcpy(&f, &words[i], 4); return f; }
    void setFloat(int i, float f) { std::memcpy(&words[i], &f, 4); }

    static uint32_t bits(float f) { uint32_t u; std::memcpy(&u, &f, 4); return u; }
    static std::array<uint32_t, kWords> defaultWords() {
        std::array<uint32_t, kWords> w{};
        w[0] = 0x26D;
        w[1] = 0;
        w[2] = 3;  // device row 3
        w[3] = bits(92300.0f);
        w[4] = bits(61800.0f);
        w[5] = bits(46150.0f);  // ruler point: half the size
        w[6] = bits(30900.0f);
        w[kArrayWord] = 1;
        w[kCountWord] = 5;
        for (int m = 0; m < 8; ++m) {
            const uint32_t* pens = m == 0 ? kMat0 : kMatN;
            for (int k = 0; k < 5; ++k) w[9 + 5 * m + k] = pens[k];
        }
        w[49] = 1;  // material 白纸板
        w[50] = 1;  // 双头
        w[51] = 1;  // LPT1
        w[54] = 1;  // output method
        w[57] = bits(1.0f);  // drawing scale
        w[58] = bits(1.0f);  // print correction factors and offsets
        w[59] = bits(1.0f);
        return w;
    }
    static std::vector<float> defaultBorder() {
        return {0.0f, 0.0f, 92300.0f, 0.0f, 92300.0f, 61800.0f, 0.0f, 61800.0f, 0.0f, 0.0f};
    }

private:
    static constexpr uint32_t kMat0[5] = {1, 1, 1, 1, 0};
    static constexpr uint32_t kMatN[5] = {1, 3, 2, 4, 0};
};

struct Settings {
    uint32_t displayFlags = 0x81A;
    uint32_t word3 = 0;
    uint32_t generalFlags = 0x7C1;
    std::array<int32_t, 16> penNumbers{1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8};
    int32_t word20 = 0;
    int32_t word37 = 2;  // back-screen tool: 0 full cut, 1 half cut, 2 pen stroke, 3 none
    std::array<int32_t, 16> words21{};          // stored, meaning owned by later dialogs
    SerialSettings serial;                      // the 16-byte group after the words

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
    // Stored after the listed values; owned by the output and material dialogs.
    std::array<float, 12> extraFloats{100.0f, 1500.0f, 500.0f, 500.0f, 500.0f, 800.0f,
                                      500.0f, 500.0f, 200.0f, 2000.0f, 500.0f, 500.0f};
    std::array<int32_t, 8> extraInts{0, 2, 0, 1, 0, 1, 1, 1};  // [3] is word 77, the corner flag

    // 6 columns × 7 rows (定针, 鞋号, 记号, 图案, 字串, 槽线, 水平).
    std::array<std::array<int32_t, 7>, 6> outputMatrix = defaultOutputMatrix();
    int32_t currentPage = 0;
    int32_t word113 = 0;
    float word115 = 50.0f;   // join tolerance of the back screen
    float word114 = 200.0f;
    std::array<std::string, 6> columnLabels{"做", "划", "托", "底", "里", "样"};
    std::string dataFolder;  // ends with '/'; filled from the home folder at start
    std::string pictureFolder;
    std::string plotFolder;
    std::string dxfFolder;

    // The other blocks of the settings file.
    ScanSettings scan;         // block 1
    CurveSettings curve;       // block 2
    FontSettings font;         // block 3
    ShortCutSetup cutSetup;    // block 6
    std::string lastOpenedPath;  // block 7
    std::array<SheetSettings, 2> sheets;  // block 8

    // Design defaults remembered for 清屏 (block 5 of the settings file).
    uint32_t defaultDesignFlags = 0x30000;
    int32_t defaultSizeSystem = 0;
    int32_t defaultSizeCategory = 3;
    int32_t defaultLabelFormat = 1;

    int32_t& cornerFlag() { return extraInts[3]; }
    int32_t cornerFlag() const { return extraInts[3]; }

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
    // The 设定 dialog's 时间间隔 in seconds: ten seconds or less is stored as 0 (= 10 s).
    static int32_t intervalFromSeconds(int seconds) {
        if (seconds <= 10) return 0;
        return seconds > 86400 ? 86400000 : seconds * 1000;
    }
    int autoSaveMillis() const { return autoSaveInterval > 0 ? autoSaveInterval : 10000; }
};

}  // namespace rz
