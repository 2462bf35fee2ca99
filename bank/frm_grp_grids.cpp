#include "bank/frm_grp_grids.h"

namespace bank {

using namespace grid;
using namespace grid::profiles;

namespace {

GridProfile groupsDialogProfile() {
    GridProfile p = common();
    p.Options |= GridOptions{dgIndicator, dgColLines, dgRowLines};
    p.Options &= ~GridOptions{dgShowCellHint, dgAlwaysShowSelection};
    p.KeyOptions = KeyOptionSet{dgAllowDelete, dgAllowInsert};
    return p;
}

}  // namespace

GridDeclaration groupsDialogGrid() {
    return {
        groupsDialogProfile(), {line("GROUPNAME", 49, QStringLiteral("Grup Adı"))}, {QStringLiteral("DRM;CheckBox;True;False")}};
}

}  // namespace bank
