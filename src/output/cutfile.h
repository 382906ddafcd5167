// The cut file (.OUT): a banner and the items of an output sheet. Version 6.5 is written;
// 6.5, 6.3, the cutting-control 2.0 form and 5.0 are read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/sheet.h"

namespace rz {

enum class CutFileForm { Unknown, V65, V63, Control20, V50 };
const char* CutFileFormName(CutFileForm f);  // "6.5", "6.3", "2.0", "5.0" or ""

struct CutFileContent {
    CutFileForm form = CutFileForm::Unknown;
    bool truncated = false;  // the file ended inside a record; what came before is kept
    ItemList items;
    std::vector<MaterialRecord> material;
    int32_t nextPieceId = 1;
};

// Reads the bytes of a cut file. The form is Unknown (and nothing read) when the banner is none
// of the four and the bytes are not a whole 5.0 body either.
CutFileContent ReadCutFile(const std::vector<uint8_t>& bytes);
// The 6.5 cut file of a sheet's items and material records; a sheet without items is the
// banner alone.
std::vector<uint8_t> WriteCutFile(const ItemList& items, const std::vector<MaterialRecord>& material);

// {version, truncated, next_piece_id, items: [{flags, kind, tool, pen, piece, points}],
// material: [hex…]}; floats as "%.9g" (null when not finite).
std::string CutFileToJson(const CutFileContent& c);
// The same shape back (flags win over kind, tool and pen; other keys are ignored).
bool CutFileFromJson(const std::string& text, CutFileContent& out, std::string& err);

}  // namespace rz
