#include "editors/frmDictionar.h"

#include "store/Global.h"
#include "store/Statements.h"

#include "editors/frmLegatura.h"

namespace tarvix {

namespace {

const FormDesign kDesign{
    .caption = "Dictionar",
    .clientWidth = 7155,
    .clientHeight = 3135,
    .icon = ":/icons/words.png",
    .border = Border::FixedSingle,
    .taskbar = false,
};

// Each row names only the properties it sets; the rest keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// clang-format off
const ControlDef kControls[] = {
    // name       kind                 parent    caption                 left   top  width height  properties
    {"Frame1",   Kind::Frame,         "",       "Cuvinte existente:",    120,  120, 4935, 1995, {.tabIndex = 0}},
    {"List1",    Kind::ListBox,       "Frame1", "",                      120,  240, 4695, 1395, {.tabIndex = 1, .sorted = true}},
    {"Label1",   Kind::Label,         "Frame1", "Total cuvinte:",        120, 1680,    0,    0, {.tabIndex = 2}},
    {"Label2",   Kind::Label,         "Frame1", "Label2",               1200, 1680,    0,    0, {.tabIndex = 3, .bold = true, .labelledBy = "Label1"}},
    {"Frame2",   Kind::Frame,         "",       "",                      120, 2220, 4935,  795, {.tabIndex = 10}},
    {"Text1",    Kind::TextBox,       "Frame2", "Text1",                 120,  300, 4695,  285, {.tabIndex = 11, .locked = true, .maxLength = store::kWordMax, .accessibleName = "Cuvânt"}},
    {"Command1", Kind::CommandButton, "",       "&Adaugã",              5220,  120, 1815,  375, {.tabIndex = 4, .isDefault = true}},
    {"Command2", Kind::CommandButton, "",       "&Modificã",            5220,  540, 1815,  375, {.tabIndex = 5}},
    {"Command3", Kind::CommandButton, "",       "Sal&veazã",            5220,  960, 1815,  375, {.tabIndex = 6, .enabled = false}},
    {"Command4", Kind::CommandButton, "",       "Anulea&zã",            5220, 1380, 1815,  375, {.tabIndex = 7, .enabled = false}},
    {"Command5", Kind::CommandButton, "",       "&Sterge",              5220, 1800, 1815,  375, {.tabIndex = 8}},
    {"Command7", Kind::CommandButton, "",       "&Legãturã",            5220, 2220, 1815,  375, {.tabIndex = 12}},
    // Not the Cancel button: Esc does nothing in this window.
    {"Command6", Kind::CommandButton, "",       "Î&napoi",              5220, 2640, 1815,  375, {.tabIndex = 9}},
};
// clang-format on
#pragma GCC diagnostic pop

const EditorConfig kConfig{
    .texts = &store::kWords,
    .blankText = "Nu ati introdus cuvântul. Salvarea a fost anulatã !",
    .blankTitle = "Cuvânt vid.",
    .duplicateText = "Acest cuvânt existã deja în dictionar !",
    .fullText =
        "Lista poate cuprinde cel mult %1 de cuvinte si le are pe toate. Stergeti un cuvânt înainte de a adãuga altul.",
    .deleteFirst = "Sunteti sigur cã doriti sã stergeti cuvântul '",
    .deleteSecond = "' din dictionar ",
    .deleteThird = "împreunã cu toate referintele lui la capitole ?",
    .deleteStatement = &store::DeleteWordStatement,
    .hasLinks = true,
    .fillOnActivate = true,
    .textFollowsList = true,
    .clearTextBeforeEdit = true,
    .fieldOutsideHandler = true,
};

}  // namespace

frmDictionar::frmDictionar() : Editor(kDesign, kControls, kConfig)
{
    Command7->Click = [this] { Command7_Click(); };
}

void frmDictionar::Command7_Click()
{
    if (!SeekSelectedRow()) {
        // The word changed behind the window: refill rather than open another word's links.
        FillList();
        return;
    }
    Global::SelectedWordId = rs->Fields(QStringLiteral("ID_Cuvant")).Value.ToInt32();
    rs->Close();
    frmLegatura links(*this);
    links.Show();
}

}  // namespace tarvix
