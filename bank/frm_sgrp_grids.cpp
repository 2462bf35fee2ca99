#include "bank/frm_sgrp_grids.h"

#include "grid/columnlist.h"

#include <QApplication>
#include <QPalette>

namespace bank {

using namespace grid;
using namespace grid::profiles;

namespace {

GridProfile groupPickerProfile() {
    // A plain grid: system colours, whole rows, no lines, no indicator. Its
    // cells are not edited and it adds no rows, but Ctrl+Delete deletes the
    // highlighted group after the grid's own question.
    GridProfile p;
    p.Options = GridOptions{dgEditing,       dgTitles,      dgColumnResize, dgTabs, dgRowSelect, dgAlwaysShowSelection,
                            dgConfirmDelete, dgCancelOnExit};
    p.KeyOptions = dgAllowDelete;
    const QPalette palette = QApplication::palette();
    p.GridColor = palette.color(QPalette::Active, QPalette::Base);
    p.TitleColor = palette.color(QPalette::Active, QPalette::Button);
    return p;
}

}  // namespace

GridDeclaration groupPickerGrid() {
    GridProfile p = groupPickerProfile();
    // 250 pixels, written in characters of the cell font.
    return {p, {line("GROUPNAME", charsForPixels(250, p.zeroWidth()), QStringLiteral("Soru Grupları"))}, {}};
}

}  // namespace bank
