#include "editors/Editor.h"

#include "store/Global.h"
#include "store/IncomingText.h"
#include "store/Schema.h"

namespace tarvix {

namespace {
using store::kMaxRows;

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}
}  // namespace

Editor::Editor(const FormDesign& design, std::span<const ControlDef> controls, const EditorConfig& config)
    : Form(design, controls), cfg(config)
{
    if (cfg.hasLinks)
        Command7 = &control<CommandButton>("Command7");
    if (cfg.textFollowsList)
        List1.Click = [this] { List1_Click(); };
    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    Command3.Click = [this] { Command3_Click(); };
    Command4.Click = [this] { Command4_Click(); };
    Command5.Click = [this] { Command5_Click(); };
    Command6.Click = [this] { Command6_Click(); };
    Text1.KeyPress = [this](std::int16_t& KeyAscii) { Text1_KeyPress(KeyAscii); };
}

void Editor::Form_Load()
{
    Text1.setText(QString());
    if (!cfg.fillOnActivate)
        FillList();
}

void Editor::Form_Activate()
{
    if (cfg.fillOnActivate)
        FillList();
}

void Editor::List1_Click()
{
    Text1.setText(List1.List(List1.ListIndex()));
}

void Editor::Command1_Click()
{
    if (TableFull())
        return;
    if (cfg.clearTextBeforeEdit) {
        Text1.setText(QString());
        Command3.setDefault(true);
        SetEditMode();
    } else {
        SetEditMode();
        Command3.setDefault(true);  // Enter saves while adding
        Text1.setText(QString());
    }
    OpenTable();
    rs->AddNew();
}

void Editor::Command2_Click()
{
    SetEditMode();
    if (!SeekSelectedRow()) {
        // The row changed behind the window: the refilled list is all the user gets.
        SetBrowseMode();
        FillList();
        return;
    }
    rs->Edit();
    Text1.setText(rs->Fields(U(cfg.texts->text)).Value.ToText());
}

void Editor::Command3_Click()
{
    if (Trim(Text1.Text()).isEmpty()) {
        MsgBox(U(cfg.blankText), vbExclamation, U(cfg.blankTitle));
        rs->CancelUpdate(dbUpdateRegular);
        SetBrowseMode();
        FillList();
        // Back in browsing Enter adds again, as after any other way out of an edit.
        Command1.setDefault(true);
        return;
    }
    // Such a text looks like another in every list and can never be typed in a search: nothing is stored,
    // and the pending row stays for the user to correct.
    if (const char32_t c = store::FirstInvisible(Trim(Text1.Text())); c != 0) {
        MsgBox(QStringLiteral("Textul contine un caracter de control sau invizibil (%1), care nu se vede în listã si "
                              "nu poate fi cãutat. Stergeti-l si salvati din nou.")
                   .arg(store::CodeName(c)),
               vbExclamation, QStringLiteral("Caracter invizibil."));
        return;
    }
    // Adding (Save is the default button only then): another copy may have filled the table since Add.
    if (Command3.Default() && TableFull())
        return;
    if (cfg.fieldOutsideHandler)
        rs->Collect(U(cfg.texts->text)) = Trim(Text1.Text());
    try {
        if (!cfg.fieldOutsideHandler)
            rs->Collect(U(cfg.texts->text)) = Trim(Text1.Text());
        rs->Update(dbUpdateRegular, false);
        SetBrowseMode();
        FillList();
        Command1.setDefault(true);
    } catch (const EngineError& e) {
        // A refused save keeps the editing state and the pending row, so the user can correct it or cancel.
        // The engine maps every backend's refusal of a repeated unique value to this one number.
        if (e.Number() == err::Duplicate)
            MsgBox(U(cfg.duplicateText), vbExclamation, QStringLiteral("Duplicat."));
        else
            MsgBox(QStringLiteral("Eroare %1: %2").arg(e.Number()).arg(e.Text()), vbExclamation,
                   QStringLiteral("Eroare la salvare."));
    }
}

void Editor::Command4_Click()
{
    Command1.setDefault(true);
    rs->CancelUpdate(dbUpdateRegular);
    SetBrowseMode();
    FillList();
}

void Editor::Command5_Click()
{
    const QString text = List1.List(List1.ListIndex());
    const QString question = U(cfg.deleteFirst) + text + U(cfg.deleteSecond) + U(cfg.deleteThird);
    if (MsgBox(question, vbYesNo + vbCritical, QStringLiteral("Stergere.")) != vbYes)
        return;
    // The store's cascade takes the links with the row.
    Global::db->Execute(cfg.deleteStatement(List1.List(List1.ListIndex())));
    FillList();
}

void Editor::Command6_Click()
{
    Unload();
}

void Editor::Text1_KeyPress(std::int16_t& KeyAscii)
{
    KeyAscii = AscW(QString(KeystrokeCapital(ChrW(static_cast<std::uint16_t>(KeyAscii)).at(0))));
}

void Editor::FillList()
{
    OpenTable();
    List1.Clear();
    Label2.setCaption(CStr(rs->RecordCount()));
    if (rs->RecordCount() > 0) {
        const QString textField = U(cfg.texts->text);
        const QString keyField = U(cfg.texts->key);
        rs->MoveFirst();
        while (!rs->Eof()) {
            List1.AddItem(rs->Fields(textField).Value.ToText());
            // The row's key, not its position: positions shift when another copy of the program changes the file.
            List1.setItemData(List1.NewIndex(), rs->Fields(keyField).Value.ToInt32());
            rs->MoveNext();
        }
        List1.setListIndex(0);
        Label2.setCaption(CStr(List1.ListCount()));
    }
    const bool any = Val(Label2.Caption()) > 0;
    Command2.setEnabled(any);
    Command5.setEnabled(any);
    if (Command7)
        Command7->setEnabled(any);
    rs->Close();
}

void Editor::SetEditMode()
{
    List1.setEnabled(false);
    Text1.setLocked(false);
    Text1.SetFocus();
    Command1.setEnabled(false);
    Command2.setEnabled(false);
    Command3.setEnabled(true);
    Command4.setEnabled(true);
    Command5.setEnabled(false);
    if (Command7)
        Command7->setEnabled(false);
}

void Editor::SetBrowseMode()
{
    List1.setEnabled(true);
    Text1.setLocked(true);
    Command1.setEnabled(true);
    Command3.setEnabled(false);
    Command4.setEnabled(false);
    if (rs->RecordCount() > 0) {
        Command2.setEnabled(true);
        Command5.setEnabled(true);
        if (Command7)
            Command7->setEnabled(true);
    }
}

bool Editor::SeekSelectedRow()
{
    const std::int16_t index = List1.ListIndex();
    const std::int32_t key = List1.ItemData(index);
    const QString text = List1.List(index);
    const QString keyField = U(cfg.texts->key);
    OpenTable();
    rs->MoveFirst();
    while (!rs->Eof() && rs->Fields(keyField).Value.ToInt32() != key)
        rs->MoveNext();
    return !rs->Eof() && rs->Fields(U(cfg.texts->text)).Value.ToText() == text;
}

bool Editor::TableFull()
{
    // A recordset of its own: at a save, rs holds the pending row.
    const auto table = Global::db->OpenRecordset(U(cfg.texts->table));
    const bool full = table->RecordCount() >= kMaxRows;
    table->Close();
    if (full)
        MsgBox(QString::fromUtf8(cfg.fullText).arg(kMaxRows), vbExclamation, QStringLiteral("Tabelã plinã."));
    return full;
}

void Editor::OpenTable()
{
    rs = Global::db->OpenRecordset(U(cfg.texts->table), dbOpenDynaset);
}

}  // namespace tarvix
