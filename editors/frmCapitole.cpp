#include "editors/frmCapitole.h"

#include "store/Statements.h"

namespace tarvix {

namespace {

const FormDesign kDesign{
    .caption = "Capitole",
    .clientWidth = 7155,
    .clientHeight = 3120,
    .icon = ":/icons/chapters.png",
    .border = Border::FixedSingle,
    .taskbar = false,
};

// Each row names only the properties it sets; the rest keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// clang-format off
const ControlDef kControls[] = {
    // name       kind                 parent    caption                 left   top  width height  properties
    {"Frame1",   Kind::Frame,         "",       "Capitole existente:",   120,  120, 4935, 1995, {.tabIndex = 8}},
    {"List1",    Kind::ListBox,       "Frame1", "",                      120,  240, 4695, 1395, {.tabIndex = 9, .sorted = true}},
    {"Label1",   Kind::Label,         "Frame1", "Total capitole:",       120, 1680,    0,    0, {.tabIndex = 11}},
    {"Label2",   Kind::Label,         "Frame1", "Label2",               1200, 1680,    0,    0, {.tabIndex = 10, .bold = true, .labelledBy = "Label1"}},
    {"Frame2",   Kind::Frame,         "",       "",                      120, 2220, 4935,  795, {.tabIndex = 0}},
    {"Text1",    Kind::TextBox,       "Frame2", "Text1",                 120,  300, 4695,  285, {.tabIndex = 1, .locked = true, .maxLength = store::kChapterMax, .accessibleName = "Capitol"}},
    {"Command1", Kind::CommandButton, "",       "&Adaugã",              5220,  120, 1815,  375, {.tabIndex = 7, .isDefault = true}},
    {"Command2", Kind::CommandButton, "",       "&Modificã",            5220,  540, 1815,  375, {.tabIndex = 6}},
    {"Command3", Kind::CommandButton, "",       "Sal&veazã",            5220,  960, 1815,  375, {.tabIndex = 5, .enabled = false}},
    {"Command4", Kind::CommandButton, "",       "Anulea&zã",            5220, 1380, 1815,  375, {.tabIndex = 4, .enabled = false}},
    {"Command5", Kind::CommandButton, "",       "&Sterge",              5220, 1800, 1815,  375, {.tabIndex = 3}},
    {"Command6", Kind::CommandButton, "",       "Î&napoi",              5220, 2640, 1815,  375, {.tabIndex = 2, .isCancel = true}},
};
// clang-format on
#pragma GCC diagnostic pop

const EditorConfig kConfig{
    .texts = &store::kChapters,
    .blankText = "Nu ati introdus numele capitolului. Salvarea a fost anulatã !",
    .blankTitle = "Capitol vid.",
    .duplicateText = "Acest capitol existã deja în baza de date !",
    .fullText =
        "Lista poate cuprinde cel mult %1 de capitole si le are pe toate. Stergeti un capitol înainte de a adãuga altul.",
    .deleteFirst = "Sunteti sigur cã doriti sã stergeti capitolul '",
    .deleteSecond = "' din baza de date ",
    .deleteThird = "împreunã cu toate referintele lui la anumite cuvinte ?",
    .deleteStatement = &store::DeleteChapterStatement,
    .hasLinks = false,
    .fillOnActivate = false,
    .textFollowsList = false,
    .clearTextBeforeEdit = false,
    .fieldOutsideHandler = false,
};

}  // namespace

frmCapitole::frmCapitole() : Editor(kDesign, kControls, kConfig) {}

}  // namespace tarvix
