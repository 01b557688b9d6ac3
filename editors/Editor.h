// The chapters editor and the words editor are twins: one window class that
// lists a table's texts, adds, changes and deletes them, configured by what
// differs between the two (table, field, texts, the links button).
#pragma once

#include "platform/Engine.h"
#include "platform/Toolkit.h"
#include "store/Schema.h"

#include <memory>
#include <span>

namespace tarvix {

struct EditorConfig {
    const store::TextTable* texts;  // the table listed and edited; a list item keeps its key in ItemData
    const char* blankText;          // warning for a blank save, and its title
    const char* blankTitle;
    const char* duplicateText;  // warning when the store refuses a repeated text
    const char* fullText;       // warning when Add would give the list more rows than it can hold
    // The delete question: first + text + second + third.
    const char* deleteFirst;
    const char* deleteSecond;
    const char* deleteThird;
    QString (*deleteStatement)(const QString& text);
    bool hasLinks;             // Command7 exists and follows Command2 and Command5
    bool fillOnActivate;       // refilled on every Activate (after the links editor), not once on Load
    bool textFollowsList;      // List1_Click shows the selected item in Text1
    bool clearTextBeforeEdit;  // Add empties Text1 and moves the default before SetEditMode
    bool fieldOutsideHandler;  // an error while setting the field is not the save's to report
};

class Editor : public Form {
public:
    Editor(const FormDesign& design, std::span<const ControlDef> controls, const EditorConfig& config);

    Frame& Frame1 = control<Frame>("Frame1");
    ListBox& List1 = control<ListBox>("List1");
    Label& Label1 = control<Label>("Label1");
    Label& Label2 = control<Label>("Label2");
    Frame& Frame2 = control<Frame>("Frame2");
    TextBox& Text1 = control<TextBox>("Text1");
    CommandButton& Command1 = control<CommandButton>("Command1");
    CommandButton& Command2 = control<CommandButton>("Command2");
    CommandButton& Command3 = control<CommandButton>("Command3");
    CommandButton& Command4 = control<CommandButton>("Command4");
    CommandButton& Command5 = control<CommandButton>("Command5");
    CommandButton& Command6 = control<CommandButton>("Command6");

protected:
    void Form_Load() override;
    void Form_Activate() override;

    // Opens a fresh dynaset into rs standing on the selected item's row, found
    // by its key; false when that row is gone or its text changed since the
    // list was filled (another copy of the program shares the file).
    bool SeekSelectedRow();

    const EditorConfig& cfg;
    CommandButton* Command7 = nullptr;  // the links button, when the window has one
    std::unique_ptr<Recordset> rs;

    void FillList();

private:
    friend class EditorProbe;  // tests and benchmarks reach the private procedures

    void List1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Text1_KeyPress(std::int16_t& KeyAscii);

    void SetEditMode();
    void SetBrowseMode();
    void OpenTable();
    // True, after telling the user, when the table already has as many rows as the list can hold.
    bool TableFull();
};

}  // namespace tarvix
