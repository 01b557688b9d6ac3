// Inside the toolkit: the items of a list or combo and the model a view shows.
#pragma once

#include "platform/text/Collation.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace tarvix::detail {

// Items in display order. A sorted store takes new items at the end and puts
// them in their place only when a position is asked for (settle), so a fill of
// many AddItem + setItemData(NewIndex) costs one sort, not one insert each.
class ItemStore {
public:
    struct Item {
        QString text;
        // The sort key's first 16 bytes, then where the whole key sits in keys_.
        std::uint64_t prefix0 = 0;
        std::uint64_t prefix1 = 0;
        std::uint32_t keyOffset = 0;
        std::uint32_t keyLength = 0;
        std::int32_t data = 0;
        std::uint32_t id = 0;
    };

    explicit ItemStore(bool sorted) : sorted_(sorted) {}

    bool sorted() const { return sorted_; }
    std::size_t size() const { return items_.size(); }
    // Returns the new item's id.
    std::uint32_t add(QString text);
    void clear();
    // New items in their sorted places; true when anything moved.
    bool settle();
    bool settled() const { return settledCount_ == items_.size(); }
    // Position of an item (-1 when gone); settles first.
    int positionOf(std::uint32_t id);
    // The item without settling (nullptr when gone).
    Item* byId(std::uint32_t id);
    Item& at(std::size_t position) { return items_[position]; }
    const std::vector<Item>& items() const { return items_; }

    std::uint32_t lastId() const { return lastId_; }
    std::uint32_t selectedId = 0;

private:
    // What settle sorts: the first prefix and where the item is, rather than the items.
    struct Rec {
        std::uint64_t p0;
        std::uint32_t index;
    };
    bool before(const Item& a, const Item& b) const;
    void releaseInArrivalOrder();

    bool sorted_;
    std::vector<Item> items_;
    // Kept between fills: a long list is sorted again and again, and fresh buffers cost page faults each time.
    std::vector<Rec> recs_, spare_;
    std::vector<Item> tail_;
    std::vector<std::uint32_t> arrival_;
    // Every item's key, one after the other, in keysSize_ bytes; grown, never shrunk, so a fill writes keys in place.
    std::vector<unsigned char> keys_;
    std::size_t keysSize_ = 0;
    std::size_t settledCount_ = 0;
    std::uint32_t nextId_ = 1;
    std::uint32_t lastId_ = 0;
    std::size_t lastPos_ = 0;  // where lastId_ sits while nothing moved
    bool lastPosValid_ = false;
};

// What the view sees: the rows as they were at the last reset.
class ItemModel : public QAbstractListModel {
public:
    explicit ItemModel(ItemStore& store) : store_(store) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The view takes the store's current rows.
    void refresh();

private:
    ItemStore& store_;
    int shown_ = 0;
};

}  // namespace tarvix::detail
