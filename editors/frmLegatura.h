// The links editor: the chapters one word is linked to, with add and remove.
#pragma once

#include "platform/Engine.h"
#include "platform/Toolkit.h"

#include <memory>

namespace tarvix {

class frmDictionar;

class frmLegatura : public Form {
public:
    // The opener's word box is read once, when this window loads.
    explicit frmLegatura(frmDictionar& opener);

    TextBox& Text1;
    ComboBox& Combo1;
    ListBox& List1;
    Label& Label2;
    CommandButton& Command1;
    CommandButton& Command2;
    CommandButton& Command3;

protected:
    void Form_Load() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void FillList();
    void FillCombo();

    frmDictionar& opener_;
    std::unique_ptr<Recordset> rs;
};

}  // namespace tarvix
