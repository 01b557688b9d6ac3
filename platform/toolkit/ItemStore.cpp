#include "platform/toolkit/ItemStore.h"

#include "platform/text/Error.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

namespace tarvix::detail {

std::uint32_t ItemStore::add(QString text)
{
    if (items_.size() >= 32767)
        RaiseToolkitError(tkerr::Overflow);
    // The key first: should it fail, no half-made item is left in the list.
    std::uint32_t keyOffset = 0, keyLength = 0;
    std::uint64_t prefix0 = 0, prefix1 = 0;
    if (sorted_) {
        const std::size_t offset = keysSize_;
        // Room for 16 zero bytes past the key too: the prefixes are then read whole, however short the key.
        const auto room = offset + static_cast<std::size_t>(RomanianSortKeyBound(text.size())) + 16;
        if (room > keys_.size())
            keys_.resize(std::max(room, 2 * keys_.size()));
        unsigned char* key = keys_.data() + offset;
        keyOffset = static_cast<std::uint32_t>(offset);
        keyLength = static_cast<std::uint32_t>(WriteRomanianSortKey(text, key));
        keysSize_ = offset + keyLength;
        std::memset(key + keyLength, 0, 16);
        prefix0 = qFromBigEndian<std::uint64_t>(key);
        prefix1 = qFromBigEndian<std::uint64_t>(key + 8);
    }
    Item& item = items_.emplace_back();
    item.prefix0 = prefix0;
    item.prefix1 = prefix1;
    item.keyOffset = keyOffset;
    item.keyLength = keyLength;
    item.text = std::move(text);
    item.id = nextId_++;
    if (!sorted_)
        settledCount_ = items_.size();
    lastId_ = items_.back().id;
    lastPos_ = items_.size() - 1;
    lastPosValid_ = true;
    return lastId_;
}

void ItemStore::clear()
{
    releaseInArrivalOrder();
    items_.clear();
    keysSize_ = 0;
    settledCount_ = 0;
    lastId_ = 0;
    lastPosValid_ = false;
    selectedId = 0;
}

// A sorted list holds its texts in an order unrelated to where they sit in memory; freed in that
// order, every text is a cache miss. Arrival order is allocation order: free them in it.
void ItemStore::releaseInArrivalOrder()
{
    if (!sorted_ || items_.size() < 1024)
        return;
    std::uint32_t lowest = items_.front().id;
    for (const Item& item : items_)
        lowest = std::min(lowest, item.id);
    const std::size_t span = nextId_ - lowest;
    if (span > 2 * items_.size())
        return;
    std::vector<std::uint32_t>& at = arrival_;
    at.assign(span, UINT32_MAX);
    for (std::size_t i = 0; i < items_.size(); ++i)
        at[items_[i].id - lowest] = static_cast<std::uint32_t>(i);
    for (const std::uint32_t i : at)
        if (i != UINT32_MAX)
            items_[i].text = QString();
}

// Zero-padded prefixes order like the keys, so the whole keys are read only on a tie.
bool ItemStore::before(const Item& a, const Item& b) const
{
    if (a.prefix0 != b.prefix0)
        return a.prefix0 < b.prefix0;
    if (a.prefix1 != b.prefix1)
        return a.prefix1 < b.prefix1;
    const int c =
        std::memcmp(keys_.data() + a.keyOffset, keys_.data() + b.keyOffset, std::min(a.keyLength, b.keyLength));
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
    std::vector<Rec>& recs = recs_;
    recs.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        recs[i] = {items_[first + i].prefix0, static_cast<std::uint32_t>(first + i)};
    // Past the first prefix the items themselves decide; the index keeps equal texts in arrival order.
    auto less = [this](const Rec& a, const Rec& b) {
        if (a.p0 != b.p0)
            return a.p0 < b.p0;
        const Item& x = items_[a.index];
        const Item& y = items_[b.index];
        if (before(x, y))
            return true;
        if (before(y, x))
            return false;
        return a.index < b.index;
    };
    if (n < 512) {
        std::sort(recs.begin(), recs.end(), less);
    } else {
        // A long list: a stable radix pass per 11 bits of the prefix's top 33 bits (digits all alike
        // are skipped), the counts of every digit taken in one read; then only the runs that share
        // those bits are compared in full. Eleven bits keep the counts in the first-level cache.
        constexpr int kDigitBits = 11, kDigits = 3, kLowest = 64 - kDigitBits * kDigits;
        constexpr std::uint64_t kMask = (1u << kDigitBits) - 1;
        std::vector<Rec>& spare = spare_;
        spare.resize(n);
        std::vector<std::array<std::uint32_t, kMask + 1>> counts(kDigits, std::array<std::uint32_t, kMask + 1>{});
        for (const Rec& r : recs)
            for (int d = 0; d < kDigits; ++d)
                ++counts[d][(r.p0 >> (kLowest + kDigitBits * d)) & kMask];
        for (int d = 0; d < kDigits; ++d) {
            auto& count = counts[d];
            const int shift = kLowest + kDigitBits * d;
            if (count[(recs[0].p0 >> shift) & kMask] == n)
                continue;
            std::uint32_t at = 0;
            for (std::uint32_t& c : count) {
                const std::uint32_t k = c;
                c = at;
                at += k;
            }
            for (const Rec& r : recs)
                spare[count[(r.p0 >> shift) & kMask]++] = r;
            recs.swap(spare);
        }
        for (std::size_t i = 0; i < n;) {
            std::size_t j = i + 1;
            while (j < n && (recs[j].p0 >> kLowest) == (recs[i].p0 >> kLowest))
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
