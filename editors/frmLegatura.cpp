#include "editors/frmLegatura.h"

#include "editors/frmDictionar.h"
#include "store/Global.h"
#include "store/Statements.h"

#include <cstdint>
#include <limits>

namespace tarvix {

namespace {

const QColor kLightYellow(255, 255, 192);

// Each row names only the properties it sets; the rest keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// clang-format off
const ControlDef kControls[] = {
    // name       kind                  parent    caption                             left  top   width height props
    {"Frame1",   Kind::Frame,          "",       "Cuvântul selectat:",               120,  120,  4935, 795,  {.tabIndex = 0}},
    {"Text1",    Kind::TextBox,        "Frame1", "Text1",                            120,  300,  4695, 285,  {.tabIndex = 2, .locked = true, .bold = true, .backColor = kLightYellow}},
    {"Command1", Kind::CommandButton,  "",       "&Adaugã legãtura",                 5160, 120,  1815, 375,  {.tabIndex = 8}},
    {"Command2", Kind::CommandButton,  "",       "&Sterge legãtura",                 5160, 540,  1815, 375,  {.tabIndex = 9, .enabled = false}},
    {"Command3", Kind::CommandButton,  "",       "Î&napoi",                          7080, 120,  855,  795,  {.tabIndex = 10, .isCancel = true}},
    {"Frame3",   Kind::Frame,          "",       "Capitole existente:",              120,  1020, 7815, 795,  {.tabIndex = 7}},
    {"Combo1",   Kind::ComboBox,       "Frame3", "",                                 120,  300,  7575, 315,  {.tabIndex = 1, .sorted = true, .comboStyle = 2}},
    {"Frame2",   Kind::Frame,          "",       "Are legãturã spre capitolele:",    120,  1920, 7815, 2295, {.tabIndex = 3}},
    {"List1",    Kind::ListBox,        "Frame2", "",                                 120,  300,  7575, 1590, {.tabIndex = 4, .sorted = true}},
    {"Label1",   Kind::Label,          "Frame2", "Total referinte:",                 180,  1980, 1020, 195,  {.tabIndex = 5}},
    {"Label2",   Kind::Label,          "Frame2", "Label2",                           1320, 1980, 585,  195,  {.tabIndex = 6, .bold = true, .labelledBy = "Label1"}},
};
// clang-format on
#pragma GCC diagnostic pop

const FormDesign kDesign{
    .caption = "Legaturã",
    .clientWidth = 8085,
    .clientHeight = 4320,
    .icon = ":/icons/links.png",
};

// List positions are 16-bit: a wider counter must fit before it names an item.
std::int16_t ListPosition(std::int32_t i)
{
    if (i < std::numeric_limits<std::int16_t>::min() || i > std::numeric_limits<std::int16_t>::max())
        RaiseToolkitError(tkerr::Overflow);
    return static_cast<std::int16_t>(i);
}

}  // namespace

frmLegatura::frmLegatura(frmDictionar& opener)
    : Form(kDesign, kControls), Text1(control<TextBox>("Text1")), Combo1(control<ComboBox>("Combo1")),
      List1(control<ListBox>("List1")), Label2(control<Label>("Label2")), Command1(control<CommandButton>("Command1")),
      Command2(control<CommandButton>("Command2")), Command3(control<CommandButton>("Command3")), opener_(opener)
{
    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    Command3.Click = [this] { Command3_Click(); };
}

void frmLegatura::Form_Load()
{
    Text1.setText(opener_.Text1.Text());
    FillCombo();
    FillList();
}

void frmLegatura::FillCombo()
{
    rs = Global::db->OpenRecordset(QStringLiteral("tblCapitol"), dbOpenDynaset);
    Combo1.Clear();
    if (rs->RecordCount() < 1) {
        Command1.setEnabled(false);
    } else {
        while (!rs->Eof()) {
            Combo1.AddItem(rs->Fields(QStringLiteral("Capitol")).Value.ToText());
            Combo1.setItemData(Combo1.NewIndex(), rs->Fields(QStringLiteral("ID_Capitol")).Value.ToInt32());
            rs->MoveNext();
        }
        Combo1.setText(Combo1.List(0));
    }
    rs->Close();
}

void frmLegatura::FillList()
{
    std::unique_ptr<Recordset> links = Global::db->OpenRecordset(store::LinksStatement(Text1.Text()));
    List1.Clear();
    if (links->RecordCount() > 0) {
        while (!links->Eof()) {
            List1.AddItem(links->Fields(QStringLiteral("Capitol")).Value.ToText());
            links->MoveNext();
        }
        Command2.setEnabled(true);
        List1.setListIndex(0);
    } else {
        Command2.setEnabled(false);
    }
    Label2.setCaption(CStr(List1.ListCount()));
    links->Close();
}

void frmLegatura::Command1_Click()
{
    bool listed = false;
    for (std::int32_t i = 0; i <= List1.ListCount() - 1; ++i) {
        if (Combo1.Text() == List1.List(ListPosition(i))) {
            listed = true;
            break;
        }
    }
    if (listed) {
        MsgBox(QStringLiteral("Acest capitol este deja în listã !"), vbExclamation, QStringLiteral("Duplicat."));
    } else {
        std::unique_ptr<Recordset> link = Global::db->OpenRecordset(QStringLiteral("tblLegatura"), dbOpenDynaset);
        link->AddNew();
        link->Collect(QStringLiteral("id_cuvant")) = Variant(Global::SelectedWordId);
        const std::int32_t chapter = Combo1.ItemData(Combo1.ListIndex());
        link->Collect(QStringLiteral("id_capitol")) = Variant(chapter);
        try {
            link->Update();
        } catch (const EngineError& e) {
            if (e.Number() != err::RelatedRowRequired)
                throw;
            // Another copy may have deleted the chapter since the list was filled: show what is left and go on.
            const QString title = Combo1.Text();
            FillCombo();
            bool stillThere = false;
            for (std::int32_t i = 0; i < Combo1.ListCount(); ++i)
                stillThere = stillThere || Combo1.ItemData(ListPosition(i)) == chapter;
            if (stillThere)
                throw;
            link->CancelUpdate();
            link->Close();
            MsgBox(QStringLiteral("Capitolul „%1” nu mai există: a fost șters între timp, probabil de altă copie a "
                                  "programului. Lista capitolelor a fost citită din nou.")
                       .arg(title),
                   vbExclamation, QStringLiteral("Capitol șters."));
            FillList();
            return;
        }
        link->Close();
    }
    FillList();
}

void frmLegatura::Command2_Click()
{
    const QString title = List1.List(List1.ListIndex());
    const QString statement = store::DeleteLinkStatement(title, Text1.Text());
    // Only the answer's low byte matters: the buttons' answers are 1 to 7.
    const auto answer = static_cast<std::uint8_t>(
        MsgBox(QStringLiteral("Sunteti sigur cã doriti sã stergeti din lista de referinte capitolul '") + title
                   + QStringLiteral("' ?"),
               vbYesNo + vbQuestion, QStringLiteral("Stergere referintã.")));
    if (answer == vbYes) {
        Global::db->Execute(statement);
        FillList();
    }
}

void frmLegatura::Command3_Click()
{
    Unload();
}

}  // namespace tarvix
