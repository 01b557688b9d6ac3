// Lists and drop-down lists: items with their data, Romanian order when sorted.
#pragma once

#include "platform/toolkit/Control.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace tarvix {

namespace detail {
class ItemStore;
class ItemModel;
}  // namespace detail

// What NewIndex() returns: the item added last. setItemData/ItemData/List
// take it without sorting the list; converting it to a position does.
class NewItem {
public:
    operator std::int16_t() const;

private:
    friend class ListControl;
    NewItem(const detail::ItemStore* store, std::uint32_t id) : store_(store), id_(id) {}
    const detail::ItemStore* store_;
    std::uint32_t id_;  // 0: no item added since the last Clear
};

// The part lists and combos share: items with their data, kept in Romanian
// order when sorted, NewIndex, ListIndex, ListCount.
class ListControl : public Control {
public:
    // By value: a fill hands over its temporaries without touching their reference counts.
    void AddItem(QString text);
    void Clear();
    std::int16_t ListCount() const;
    std::int16_t ListIndex() const;
    // Selects the item (-1: none) and raises Click.
    void setListIndex(std::int16_t index);
    NewItem NewIndex() const;
    // "" for -1 and for positions past the end.
    QString List(std::int16_t index) const;
    QString List(NewItem item) const;
    std::int32_t ItemData(std::int16_t index) const;
    std::int32_t ItemData(NewItem item) const;
    void setItemData(std::int16_t index, std::int32_t value);
    void setItemData(NewItem item, std::int32_t value);
    bool Sorted() const;

    // Raised by setListIndex and when the user picks an item.
    std::function<void()> Click;

    ~ListControl() override;

protected:
    ListControl(Form& form, const ControlDef& def);
    void resetToDesign() override;
    // The view shows the store's current order and selection.
    virtual void syncView() = 0;
    void userPicked(int row);
    void scheduleSync();

    std::unique_ptr<detail::ItemStore> store_;
    std::unique_ptr<detail::ItemModel> model_;
    bool syncPosted_ = false;
    bool syncing_ = false;
    friend class detail::ItemStore;
};

class ListBox : public ListControl {
private:
    friend class Form;
    ListBox(Form& form, const ControlDef& def, QWidget* parent);
    void syncView() override;
};

// Drop-down list: pick only.
class ComboBox : public ListControl {
public:
    // The selected item's text, "" when none.
    QString Text() const;
    // Selects the first item with exactly this text (raises Click); TextReadOnly if none.
    void setText(const QString& text);

private:
    friend class Form;
    ComboBox(Form& form, const ControlDef& def, QWidget* parent);
    void syncView() override;
};

}  // namespace tarvix
