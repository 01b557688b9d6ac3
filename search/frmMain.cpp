#include "search/frmMain.h"

#include "editors/frmCapitole.h"
#include "editors/frmDictionar.h"
#include "store/Global.h"
#include "store/OpenStore.h"
#include "store/Statements.h"

namespace tarvix {

namespace {

const FormDesign kDesign{
    .caption = "Tarvix - Proiecte si atestate gata fãcute la: https://tarvix.example/",
    .clientWidth = 8055,
    .clientHeight = 3750,
    .icon = ":/icons/main.png",
    .border = Border::FixedSingle,
    .taskbar = true,
};

// name, kind, parent, caption, left, top, width, height, properties
// clang-format off
const ControlDef kControls[] = {
    {"Frame1",   Kind::Frame,         "",       "",                 60,   0,    5475, 1035, {.tabIndex = 0}},
    {"Label1",   Kind::Label,         "Frame1", "Cuvânt cheie:",    60,   480,  0,    0,    {.tabIndex = 2}},
    {"Text1",    Kind::TextBox,       "Frame1", "Text1",            1260, 420,  4035, 315,  {.tabIndex = 1, .maxLength = 25}},
    {"Command1", Kind::CommandButton, "",       "&Cautã",           6180, 120,  1815, 375,  {.tabIndex = 3, .enabled = false, .isDefault = true}},
    {"Command2", Kind::CommandButton, "",       "Î&nchide",         6180, 600,  1815, 375,  {.tabIndex = 4, .isCancel = true}},
    {"Frame2",   Kind::Frame,         "",       "Rezultate: ",      60,   1140, 7935, 1935, {.tabIndex = 5}},
    {"List1",    Kind::ListBox,       "Frame2", "",                 180,  300,  7575, 1200, {.tabIndex = 6, .sorted = true}},
    {"Label6",   Kind::Label,         "Frame2", "Rezultate:",       6300, 1620, 0,    0,    {.tabIndex = 7}},
    {"Label7",   Kind::Label,         "Frame2", "Label7",           7140, 1620, 0,    0,    {.tabIndex = 8, .bold = true, .labelledBy = "Label6"}},
    {"Label2",   Kind::Label,         "",       "Total cuvinte:",   60,   3180, 0,    0,    {.tabIndex = 11}},
    {"Label4",   Kind::Label,         "",       "Label4",           1140, 3180, 0,    0,    {.tabIndex = 13, .bold = true, .labelledBy = "Label2"}},
    {"Label3",   Kind::Label,         "",       "Total capitole:",  60,   3420, 0,    0,    {.tabIndex = 12}},
    {"Label5",   Kind::Label,         "",       "Label5",           1140, 3420, 0,    0,    {.tabIndex = 14, .bold = true, .labelledBy = "Label3"}},
    {"Command4", Kind::CommandButton, "",       "Capitole",         3300, 3240, 1815, 375,  {.tabIndex = 10}},
    {"Command3", Kind::CommandButton, "",       "&Dictionar",       6180, 3240, 1815, 375,  {.tabIndex = 9}},
    {"Image1",   Kind::Image,         "",       "",                 5580, 120,  480,  480,  {.picture = ":/icons/main.png", .accessibleName = "Tarvix"}},
    {"Image3",   Kind::Image,         "",       "",                 2700, 3180, 480,  480,  {.picture = ":/icons/chapters.png", .accessibleName = "Capitole"}},
    {"Image2",   Kind::Image,         "",       "",                 5580, 3180, 480,  480,  {.picture = ":/icons/words.png", .accessibleName = "Dictionar"}},
};
// clang-format on

const QString kNothing = QStringLiteral("NIMIC");

}  // namespace

frmMain::frmMain()
    : Form(kDesign, kControls), Text1(control<TextBox>("Text1")), Command1(control<CommandButton>("Command1")),
      Command2(control<CommandButton>("Command2")), Command3(control<CommandButton>("Command3")),
      Command4(control<CommandButton>("Command4")), List1(control<ListBox>("List1")), Label4(control<Label>("Label4")),
      Label5(control<Label>("Label5")), Label7(control<Label>("Label7"))
{
    Text1.KeyPress = [this](std::int16_t& KeyAscii) { Text1_KeyPress(KeyAscii); };
    Text1.Change = [this] { Text1_Change(); };
    Text1.LostFocus = [this] { Text1_LostFocus(); };
    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    Command3.Click = [this] { Command3_Click(); };
    Command4.Click = [this] { Command4_Click(); };
}

void frmMain::Form_Load()
{
    Text1.setText(QString());
    Command1.setEnabled(false);
    Global::db = store::Open(QString::fromUtf8(kStoreFileName), store::Access::ForWriting);
}

void frmMain::Form_Activate()
{
    rs = Global::db->OpenRecordset(QStringLiteral("tblDictionar"));
    Label4.setCaption(CStr(rs->RecordCount()));
    Label7.setCaption(kNothing);
    rs->Close();
    rs = Global::db->OpenRecordset(QStringLiteral("tblCapitol"));
    Label5.setCaption(CStr(rs->RecordCount()));
    rs->Close();
}

void frmMain::Text1_KeyPress(std::int16_t& KeyAscii)
{
    // A letter whose capital is two letters (ß) keeps its one-letter form.
    const QString upper = UCase(ChrW(KeyAscii));
    if (upper.size() == 1)
        KeyAscii = AscW(upper);
}

void frmMain::Text1_Change()
{
    Command1.setEnabled(!Text1.Text().isEmpty());
}

void frmMain::Text1_LostFocus()
{
    Text1.setText(UCase(Trim(Text1.Text())));
}

void frmMain::Command1_Click()
{
    const QString sql = store::SearchStatement(Text1.Text());
    Command1.setEnabled(false);
    Command3.setEnabled(false);
    Command4.setEnabled(false);
    List1.Clear();
    Label7.setCaption(kNothing);
    rs = Global::db->OpenRecordset(sql);
    while (!rs->Eof()) {
        List1.AddItem(rs->Fields(QStringLiteral("capitol")).Value.ToText());
        Label7.setCaption(CStr(List1.ListCount()));
        rs->MoveNext();
    }
    Command3.setEnabled(true);
    Command4.setEnabled(true);
    rs->Close();
}

void frmMain::Command2_Click()
{
    Unload();
}

void frmMain::Command3_Click()
{
    frmDictionar form;
    form.Show();
}

void frmMain::Command4_Click()
{
    frmCapitole form;
    form.Show();
}

void frmMain::Form_Unload()
{
    // Load may have failed before the connection was made.
    if (!Global::db)
        return;
    Global::db->Close();
    Global::db.reset();
}

}  // namespace tarvix
