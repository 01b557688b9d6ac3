#include "platform/toolkit/ItemStore.h"

#include "platform/text/Error.h"

#include <algorithm>
#include <cstring>

namespace tarvix::detail {

std::uint32_t ItemStore::add(const QString& text)
{
    if (items_.size() >= 32767)
        RaiseToolkitError(tkerr::Overflow);
    Item item;
    item.text = text;
    if (sorted_) {
        const auto offset = keys_.size();
        AppendRomanianSortKey(text, keys_);
        item.keyOffset = static_cast<std::uint32_t>(offset);
        item.keyLength = static_cast<std::uint32_t>(keys_.size() - offset);
        unsigned char head[16] = {};
        std::memcpy(head, keys_.constData() + offset, std::min<std::size_t>(16, item.keyLength));
        for (int i = 0; i < 8; ++i) {
            item.prefix0 = (item.prefix0 << 8) | head[i];
            item.prefix1 = (item.prefix1 << 8) | head[8 + i];
        }
    }
    item.id = nextId_++;
    items_.push_back(std::move(item));
    if (!sorted_)
        settledCount_ = items_.size();
    lastId_ = items_.back().id;
    lastPos_ = items_.size() - 1;
    lastPosValid_ = true;
    return lastId_;
}

void ItemStore::clear()
{
    items_.clear();
    keys_.resize(0);
    settledCount_ = 0;
    lastId_ = 0;
    lastPosValid_ = false;
    selectedId = 0;
}

// Zero-padded prefixes order like the keys, so the whole keys are read only on a tie.
bool ItemStore::before(const Item& a, const Item& b) const
{
    if (a.prefix0 != b.prefix0)
        return a.prefix0 < b.prefix0;
    if (a.prefix1 != b.prefix1)
        return a.prefix1 < b.prefix1;
    const int c = std::memcmp(keys_.constData() + a.keyOffset, keys_.constData() + b.keyOffset,
                              std::min(a.keyLength, b.keyLength));
    if (c != 0)
        return c < 0;
    return a.keyLength < b.keyLength;
}

bool ItemStore::settle()
{
    if (settledCount_ == items_.size())
        return false;
    const std::size_t first = settledCount_;
    const std::size_t n = items_.size() - first;
    // The index keeps equal texts in arrival order.
    std::vector<Rec>& recs = recs_;
    recs.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Item& it = items_[first + i];
        recs[i] = {it.prefix0, it.prefix1, it.keyOffset, it.keyLength, static_cast<std::uint32_t>(first + i)};
    }
    const char* keys = keys_.constData();
    auto less = [keys](const Rec& a, const Rec& b) {
        if (a.p0 != b.p0)
            return a.p0 < b.p0;
        if (a.p1 != b.p1)
            return a.p1 < b.p1;
        const int c = std::memcmp(keys + a.offset, keys + b.offset, std::min(a.length, b.length));
        if (c != 0)
            return c < 0;
        if (a.length != b.length)
            return a.length < b.length;
        return a.index < b.index;
    };
    if (n < 512) {
        std::sort(recs.begin(), recs.end(), less);
    } else {
        // A long list: a stable radix pass per byte of the first prefix (bytes all alike are
        // skipped), then only the runs that share it are compared in full.
        std::vector<Rec>& spare = spare_;
        spare.resize(n);
        for (int shift = 0; shift < 64; shift += 8) {
            std::size_t count[256] = {};
            for (const Rec& r : recs)
                ++count[(r.p0 >> shift) & 0xFF];
            if (count[(recs[0].p0 >> shift) & 0xFF] == n)
                continue;
            std::size_t at = 0;
            for (std::size_t& c : count) {
                const std::size_t k = c;
                c = at;
                at += k;
            }
            for (const Rec& r : recs)
                spare[count[(r.p0 >> shift) & 0xFF]++] = r;
            recs.swap(spare);
        }
        for (std::size_t i = 0; i < n;) {
            std::size_t j = i + 1;
            while (j < n && recs[j].p0 == recs[i].p0)
                ++j;
            if (j - i > 1)
                std::sort(recs.begin() + static_cast<std::ptrdiff_t>(i), recs.begin() + static_cast<std::ptrdiff_t>(j),
                          less);
            i = j;
        }
    }
    std::vector<Item>& tail = tail_;
    tail.clear();
    tail.reserve(n);
    for (const Rec& r : recs)
        tail.push_back(std::move(items_[r.index]));
    std::move(tail.begin(), tail.end(), items_.begin() + static_cast<std::ptrdiff_t>(first));
    tail.clear();
    if (first > 0) {
        // Stable: an item goes after the equal items that were there before it.
        std::inplace_merge(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(first), items_.end(),
                           [this](const Item& a, const Item& b) { return before(a, b); });
    }
    settledCount_ = items_.size();
    lastPosValid_ = false;
    return true;
}

int ItemStore::positionOf(std::uint32_t id)
{
    if (id == 0)
        return -1;
    settle();
    if (lastPosValid_ && lastPos_ < items_.size() && items_[lastPos_].id == id)
        return static_cast<int>(lastPos_);
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

ItemStore::Item* ItemStore::byId(std::uint32_t id)
{
    if (id == 0)
        return nullptr;
    if (lastPosValid_ && lastPos_ < items_.size() && items_[lastPos_].id == id)
        return &items_[lastPos_];
    for (auto& item : items_)
        if (item.id == id)
            return &item;
    return nullptr;
}

int ItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shown_;
}

QVariant ItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(store_.size()))
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return store_.items()[static_cast<std::size_t>(index.row())].text;
    return {};
}

void ItemModel::refresh()
{
    beginResetModel();
    shown_ = static_cast<int>(store_.size());
    endResetModel();
}

}  // namespace tarvix::detail
