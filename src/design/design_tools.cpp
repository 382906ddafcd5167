#include "design/design_tools.h"

#include "design/cut_corner.h"
#include "design/derived.h"
#include "design/join_tools.h"
#include "design/stack.h"

namespace rz {

void InstallDesignTools(Engine& e, DesignServices services) {
    InstallDerivedBuilders(services.font);
    e.setTool(mode::Split, MakeSplitTool());
    e.setTool(mode::Merge, MakeMergeTool());
    InstallCutCornerTool(e);
    InstallExtractTool(e, services);
    InstallAssignTool(e, services);
    InstallAttributeTool(e, services);
    InstallSeamTools(e);
    InstallRowTools(e);
    InstallNeedleTools(e, services);
    InstallJoinTools(e);
    InstallStackTool(e);
}

}  // namespace rz
