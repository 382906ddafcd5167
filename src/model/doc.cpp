#include "model/doc.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "model/afterload.h"

namespace rz {

namespace fs = std::filesystem;

std::string NormaliseFolder(const std::string& folder) {
    std::string f = folder;
    if (f.rfind("~/", 0) == 0) {
        const char* home = std::getenv("HOME");
        f = std::string(home ? home : "") + f.substr(1);
    }
    if (!f.empty() && f.back() != '/') f += '/';
    return f;
}

std::string DefaultDataFolder() { return NormaliseFolder("~/qdat/"); }

static std::string UpperExt3(const std::string& path) {
    std::string e = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    for (auto& c : e) c = char(std::toupper(static_cast<unsigned char>(c)));
    return e;
}

TDoc::TDoc(Platform& p) : platform(p) {
    settings.dataFolder = DefaultDataFolder();
    settings.pictureFolder = settings.dataFolder + "pic/";
    settings.plotFolder = settings.dataFolder + "plt/";
    settings.dxfFolder = settings.dataFolder + "dxf/";
    rememberDesignDefaults();
}

void TDoc::rememberDesignDefaults() {
    defaultFlags_ = settings.defaultDesignFlags & 0x30000u;
    defaultSizeSystem_ = settings.defaultSizeSystem;
    defaultSizeCategory_ = settings.defaultSizeCategory;
    defaultLabelFormat_ = settings.defaultLabelFormat;
    design.flags = defaultFlags_;
    design.sizeSystem = defaultSizeSystem_;
    design.sizeCategory = defaultSizeCategory_;
    design.labelFormat = defaultLabelFormat_;
}

void TDoc::resetDisplayToggles() {
    settings.displayFlags |= kDispScan | kDispAux | kDispShared | kDispFixedDist | kDispFrontSym;
    settings.displayFlags &= ~kDispAllSizes;
}

void TDoc::afterReplace() {
    if (onDesignReplaced) onDesignReplaced();
    platform.requestRedraw();
}

bool TDoc::ClearDesignCommand() {
    if (design.modified && !platform.ask("放弃前屏所做修改？")) return false;
    {
        WaitCursor wait(platform);
        design.clear();
        fileName = kDefaultFileName;
        loadedTruncated = false;
        ResetUndo();
        design.flags = defaultFlags_;
        design.sizeSystem = defaultSizeSystem_;
        design.sizeCategory = defaultSizeCategory_;
        design.labelFormat = defaultLabelFormat_;
        if (applySizeRangeDefaults) applySizeRangeDefaults(design);
        resetDisplayToggles();
    }
    afterReplace();
    return true;
}

FileResult TDoc::OpenPath(const std::string& path, bool merge) {
    if (UpperExt3(path) == "XIE") return OpenPattern(path, merge);
    FileResult r;
    r.status = FileStatus::NotHandled;
    return r;
}

static void MergeInto(Design& into, Design& from, List<ScanLine>& scans, List<TPIC>& pics,
                      List<ScanLine>& newScans, List<TPIC>& newPics) {
    // The merged records carry per-size arrays of the file's size count; bring them to ours.
    auto resize = [&](auto& opt) { ResizeOptional(opt, into.n); };
    for (auto& p : from.parts) {
        resize(p->sharedDie);
        for (auto& b : p->basePoints) {
            resize(b->targets);
            resize(b->sharedNotes);
            b->factors.reset();
            b->displacement.reset();
        }
        for (auto& f : p->fixedDistances) resize(f->perSize);
    }
    for (auto& pc : from.pieces) resize(pc->sharedDie);

    Part& dst = into.firstPart();
    Part& src = from.firstPart();
    auto append = [](auto& a, auto& b) {
        for (auto& r : b) a.push_back(std::move(r));
        b.clear();
    };
    append(dst.gradedLines, src.gradedLines);
    append(dst.gradedPins, src.gradedPins);
    append(dst.gradedMotifs, src.gradedMotifs);
    append(dst.linesA, src.linesA);
    append(dst.linesB, src.linesB);
    append(dst.pins, src.pins);
    append(dst.sizeLabels, src.sizeLabels);
    append(dst.notches, src.notches);
    append(dst.motifs, src.motifs);
    append(dst.texts, src.texts);
    append(dst.dimensions, src.dimensions);
    append(dst.basePoints, src.basePoints);
    append(dst.pointRows, src.pointRows);
    append(dst.seamAllowances, src.seamAllowances);
    append(dst.symLineLinks, src.symLineLinks);
    append(dst.slotLines, src.slotLines);
    append(dst.marks, src.marks);
    append(dst.chamfers, src.chamfers);
    append(dst.symElemLinks, src.symElemLinks);
    append(dst.sharedZones, src.sharedZones);
    append(dst.fixedDistances, src.fixedDistances);
    int idx = 0;
    for (auto& b : dst.basePoints) b->index = idx++;
    for (size_t i = 1; i < from.parts.size(); ++i) into.parts.push_back(std::move(from.parts[i]));
    from.parts.resize(1);
    int highest = -1;
    for (auto& pc : into.pieces) highest = std::max(highest, int(pc->slot));
    for (auto& pc : from.pieces) {
        pc->slot = uint8_t(++highest);
        into.pieces.push_back(std::move(pc));
    }
    from.pieces.clear();
    append(scans, newScans);
    append(pics, newPics);
    into.updateGradedFlag();
}

FileResult TDoc::OpenPattern(const std::string& path, bool merge) {
    FileResult res;
    std::vector<uint8_t> bytes;
    std::string err;
    if (!ReadFileBytes(path, bytes, &err)) {
        res.status = FileStatus::CannotOpen;
        res.message = "不能打开 " + path + ": " + err;
        return res;
    }
    XieVersion v = BannerVersion(bytes);
    if (v == XieVersion::Unknown || v == XieVersion::V50) {
        res.status = FileStatus::NotAPattern;
        res.version = v;
        res.message = path + (v == XieVersion::V50 ? ": 不支持5.0版本的鞋样文件" : ": 不是鞋样文件");
        return res;
    }
    if (!merge && design.modified && !platform.ask("放弃前屏所做修改？")) {
        res.status = FileStatus::Declined;
        return res;
    }
    WaitCursor wait(platform);
    auto temp = std::make_unique<Design>();
    List<ScanLine> newScans;
    List<TPIC> newPics;
    XieReadResult rr = ReadXie(bytes, *temp, settings, &newScans, &newPics, &smooth);
    res.version = rr.version;
    res.truncated = rr.truncated;
    if (!rr.ok) {
        res.status = FileStatus::NotAPattern;
        res.message = path + ": " + rr.error;
        return res;
    }
    if (merge) {
        MergeInto(design, *temp, scanLines, pictures, newScans, newPics);
    } else {
        design.clear();
        // Move the read design in: the records keep their addresses, so references stay valid.
        static_cast<DesignParams&>(design) = std::move(static_cast<DesignParams&>(*temp));
        design.parts = std::move(temp->parts);
        design.pieces = std::move(temp->pieces);
        scanLines = std::move(newScans);
        pictures = std::move(newPics);
        currentSlot = 0;
    }
    resetDisplayToggles();
    settings.displayFlags &= ~kDispTransient;
    setCurrentPage(rr.page);
    ResetUndo();
    PushUndo();
    // A truncated file stays "modified": it is not a faithful copy of what is on disk.
    const bool dirty = merge || rr.truncated;
    design.modified = dirty ? 1 : 0;
    if (Design* snap = undo.currentSnapshot()) snap->modified = design.modified;
    if (!merge) {
        fileName = path;
        loadedTruncated = rr.truncated;
    }
    lastOpened = path;
    if (rr.truncated) res.message = path + ": 文件不完整，已读入可读部分";
    afterReplace();
    return res;
}

FileResult TDoc::Reopen() {
    if (lastOpened.empty()) {
        FileResult r;
        r.status = FileStatus::CannotOpen;
        return r;
    }
    return OpenPath(lastOpened, false);
}

FileResult TDoc::writeTo(const std::string& path) {
    FileResult res;
    if (design.isBlank()) {
        res.status = FileStatus::Refused;
        res.message = "没有可保存的内容";
        return res;
    }
    const bool withScan = (design.flags & kDesignSaveScan) != 0;
    const bool withPics = (design.flags & kDesignSavePictures) != 0;
    auto bytes = WriteXie(design, withScan ? &scanLines : nullptr, withPics ? &pictures : nullptr);
    std::string err;
    if (!WriteFileAtomic(path, bytes, &err)) {
        res.status = FileStatus::WriteFailed;
        res.message = "不能保存 " + path + ": " + err;
        return res;
    }
    fileName = path;
    loadedTruncated = false;
    ResetUndo();
    PushUndo();
    design.modified = 0;
    if (Design* snap = undo.currentSnapshot()) snap->modified = 0;
    return res;
}

FileResult TDoc::Save() {
    std::string path = fileName;
    bool ask = loadedTruncated;
    if (path == kDefaultFileName) {
        path += ".xie";
        ask = true;
    }
    if (design.isBlank()) return writeTo(path);
    std::error_code ec;
    if (ask && fs::exists(path, ec) && !platform.ask("复盖已有文件？")) {
        FileResult r;
        r.status = FileStatus::Declined;
        return r;
    }
    return writeTo(path);
}

FileResult TDoc::SaveAs(const std::string& path) { return writeTo(path); }

std::string TDoc::AutoSavePath(int number) const {
    char name[32];
    std::snprintf(name, sizeof name, "%04d.XIE", number);
    return NormaliseFolder(settings.dataFolder) + "---/" + name;
}

std::string TDoc::AutoSave() {
    if (!settings.autoSaveOn() || !design.hasContent()) return {};
    if (design.autoSaveNumber < 0) {
        design.autoSaveNumber = settings.fileCounter;
        // The number is stored in 16 bits and printed with four digits: wrap within 0–9999.
        settings.fileCounter = settings.fileCounter >= 9999 ? 0 : settings.fileCounter + 1;
    }
    std::string path = AutoSavePath(design.autoSaveNumber);
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    auto bytes = WriteXie(design, nullptr, nullptr);
    if (!WriteFileAtomic(path, bytes, nullptr)) return {};
    return path;
}

std::string TDoc::NeighbourFile(int direction) const {
    if (fileName == kDefaultFileName) return {};
    fs::path cur(fileName);
    std::error_code ec;
    fs::path dir = cur.has_parent_path() ? cur.parent_path() : fs::path(".");
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir, ec)) {
        if (!e.is_regular_file(ec)) continue;
        std::string n = e.path().filename().string();
        if (n.size() >= 4 && UpperExt3(n) == "XIE" && n[n.size() - 4] == '.') names.push_back(n);
    }
    // The folder's own order is arbitrary on Linux; name order is what a user sees.
    std::sort(names.begin(), names.end());
    auto it = std::find(names.begin(), names.end(), cur.filename().string());
    if (it == names.end()) return {};
    if (direction < 0) {
        if (it == names.begin()) return {};
        --it;
    } else {
        ++it;
        if (it == names.end()) return {};
    }
    return (dir / *it).string();
}

}  // namespace rz
