// The main window: keyword entry, the search, the store's totals, the way
// into the editors, and the life of the shared connection.
#pragma once

#include "platform/Engine.h"
#include "platform/Toolkit.h"

#include <cstdint>
#include <memory>

namespace tarvix {

class frmMain : public Form {
public:
    // One instance per run, owned by whoever shows it first.
    frmMain();

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload() override;

private:
    void Text1_KeyPress(std::int16_t& KeyAscii);
    void Text1_Change();
    void Text1_LostFocus();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

    TextBox& Text1;
    CommandButton& Command1;
    CommandButton& Command2;
    CommandButton& Command3;
    CommandButton& Command4;
    ListBox& List1;
    Label& Label4;
    Label& Label5;
    Label& Label7;

    std::unique_ptr<Recordset> rs;
};

}  // namespace tarvix
