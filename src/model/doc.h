// The one pattern document: the design, its side lists, the undo ring, the settings and the
// file commands that work on them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/design.h"
#include "model/platform.h"
#include "model/settings.h"
#include "model/undo.h"
#include "model/xie.h"

namespace rz {

constexpr const char* kDefaultFileName = "rozedoz";

// What happened to an open or save request.
enum class FileStatus {
    Done,
    Declined,      // the user answered No; nothing changed
    CannotOpen,    // the file could not be opened or read
    NotAPattern,   // the banner matched no known version
    Refused,       // nothing to save (a blank design)
    WriteFailed,   // the file could not be written; the previous file is intact
    NotHandled,    // an extension this command does not handle
};

struct FileResult {
    FileStatus status = FileStatus::Done;
    bool truncated = false;
    XieVersion version = XieVersion::Unknown;
    std::string message;  // for the window or the command line
    bool ok() const { return status == FileStatus::Done; }
};

class TDoc {
public:
    explicit TDoc(Platform& platform);

    Platform& platform;
    Settings settings;
    TSmooth smooth;  // curve settings
    Design design;
    List<ScanLine> scanLines;
    List<TPIC> pictures;
    UndoRing undo;

    // The piece area's current slot (0–99): the piece most piece commands act on.
    int currentSlot = 0;

    std::string fileName = kDefaultFileName;  // path, or the default name
    std::string lastOpened;
    // Set when the file last read ended early: its design is not a faithful copy of the file.
    bool loadedTruncated = false;

    // Called after the design was replaced or changed as a whole (load, clear, undo): the
    // window rebuilds its parameter table, motif/piece area and view here.
    std::function<void()> onDesignReplaced;
    // Fills the size-range defaults of the current size system and category (size tables).
    std::function<void(Design&)> applySizeRangeDefaults;

    int currentPage() const { return settings.currentPage; }
    void setCurrentPage(int page) { settings.currentPage = WrapPage(page); }

    // Remembers the design defaults that 清屏 restores (after the settings file was read).
    void rememberDesignDefaults();
    // 清屏: asks before discarding changes; false when the user declined.
    bool ClearDesignCommand();
    // Reads a pattern file (replacing the design, or merging it in). Asks before discarding.
    FileResult OpenPattern(const std::string& path, bool merge = false);
    // Dispatches on the extension: "XIE" patterns; other extensions are not handled here.
    FileResult OpenPath(const std::string& path, bool merge = false);
    FileResult Reopen();
    // 保存: to the current file name (asks before overwriting an existing file when the name
    // is still the default one, or when the design came from a truncated file).
    FileResult Save();
    // 另存为: to `path`, without the overwrite question.
    FileResult SaveAs(const std::string& path);
    // The numbered auto-save; returns the path written, or empty when nothing was written.
    std::string AutoSave();
    std::string AutoSavePath(int number) const;
    // Neighbouring pattern file of the current one in its folder (browse with Ctrl+arrows).
    std::string NeighbourFile(int direction) const;

    // Stores a snapshot after a committed change.
    void PushUndo() { undo.push(design); }
    void ResetUndo() { undo.reset(); }
    std::string StatisticsText() const { return StatsText(design.stats()); }

    // Resets the display toggles after a clear or load.
    void resetDisplayToggles();

private:
    FileResult writeTo(const std::string& path);
    void afterReplace();

    uint32_t defaultFlags_ = 0x30000;
    int defaultSizeSystem_ = 0, defaultSizeCategory_ = 3, defaultLabelFormat_ = 1;
};

// Expands "~/" and makes sure a folder path ends with '/'.
std::string NormaliseFolder(const std::string& folder);
// The default data folder: ~/qdat/
std::string DefaultDataFolder();

}  // namespace rz
