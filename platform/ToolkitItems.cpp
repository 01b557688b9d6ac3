#include "platform/ToolkitItems.h"

#include "platform/ToolkitText.h"

#include <algorithm>

namespace tarvix::detail {

std::uint32_t ItemStore::add(const QString& text) {
    if (items_.size() >= 32767) RaiseToolkitError(tkerr::Overflow);
    Item item;
    item.text = text;
    if (sorted_) AppendRomanianSortKey(text, item.key);
    item.id = nextId_++;
    items_.push_back(std::move(item));
    if (!sorted_) settledCount_ = items_.size();
    lastId_ = items_.back().id;
    lastPos_ = items_.size() - 1;
    lastPosValid_ = true;
    return lastId_;
}

void ItemStore::clear() {
    items_.clear();
    settledCount_ = 0;
    lastId_ = 0;
    lastPosValid_ = false;
    selectedId = 0;
}

bool ItemStore::settle() {
    if (settledCount_ == items_.size()) return false;
    auto byKey = [](const Item& a, const Item& b) { return a.key < b.key; };
    const auto middle = items_.begin() + static_cast<std::ptrdiff_t>(settledCount_);
    // Stable both ways: an item goes after the equal items added before it.
    std::stable_sort(middle, items_.end(), byKey);
    std::inplace_merge(items_.begin(), middle, items_.end(), byKey);
    settledCount_ = items_.size();
    lastPosValid_ = false;
    return true;
}

int ItemStore::positionOf(std::uint32_t id) {
    if (id == 0) return -1;
    settle();
    if (lastPosValid_ && lastPos_ < items_.size() && items_[lastPos_].id == id) return static_cast<int>(lastPos_);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].id == id) {
            if (id == lastId_) {
                lastPos_ = i;
                lastPosValid_ = true;
            }
            return static_cast<int>(i);
        }
    }
    return -1;
}

ItemStore::Item* ItemStore::byId(std::uint32_t id) {
    if (id == 0) return nullptr;
    if (lastPosValid_ && lastPos_ < items_.size() && items_[lastPos_].id == id) return &items_[lastPos_];
    for (auto& item : items_)
        if (item.id == id) return &item;
    return nullptr;
}

int ItemModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

QVariant ItemModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(store_.size())) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return store_.items()[static_cast<std::size_t>(index.row())].text;
    return {};
}

void ItemModel::refresh() {
    beginResetModel();
    shown_ = static_cast<int>(store_.size());
    endResetModel();
}

}  // namespace tarvix::detail
