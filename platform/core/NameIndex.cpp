#include "platform/core/NameIndex.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstring>
#include <string>

#include "platform/core/Component.h"

namespace {

bool SameIdentView(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x == y) continue;
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Clearing bit 5 of every byte makes names that differ only in ASCII case hash alike.
constexpr std::uint64_t kCase = 0xDFDFDFDFDFDFDFDFull;
constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;

std::uint64_t Load8(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

// The bytes of a piece of 1 to 8 bytes in one word, without a loop over them: two overlapping
// 4-byte loads, or the first, middle and last byte.
std::uint64_t LoadShort(const char* p, std::size_t n)
{
    if (n >= 4) {
        std::uint32_t head, tail;
        std::memcpy(&head, p, 4);
        std::memcpy(&tail, p + n - 4, 4);
        return head | (std::uint64_t{tail} << 32);
    }
    if (n == 0) return 0;
    const auto byte = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])}; };
    return byte(0) | (byte(n / 2) << 8) | (byte(n - 1) << 16);
}

// The last name a look-up did not find, and where its probe ended. SetName looks the new name up
// before indexing it: the indexing then takes that slot without hashing and probing again. Kept
// per thread, so that look-ups stay free of shared writes.
struct TLastMiss {
    const TNameIndex* index = nullptr;
    std::uint64_t stamp = 0;  // the index's changes when the look-up ran
    std::uint64_t hash = 0;
    std::size_t slot = 0;
    std::string name;
};
thread_local TLastMiss lastMiss;

// Each index counts its changes from a range of its own, so a memo can never match an index that
// took the place of a freed one.
std::uint64_t NewStampRange()
{
    static std::atomic<std::uint64_t> next{0};
    return (next.fetch_add(1, std::memory_order_relaxed) + 1) << 32;
}

}  // namespace

namespace {

// A name as its word's hash and its trailing number.
struct TNameParts {
    std::uint64_t word;
    std::uint64_t number;
};

TNameParts SplitName(std::string_view name)
{
    const char* p = name.data();
    std::size_t n = name.size();
    std::uint64_t number = 0, scale = 1;
    for (int digits = 0; n > 0 && digits < 19; ++digits, --n) {
        const auto digit = static_cast<unsigned char>(p[n - 1] - '0');
        if (digit > 9) break;
        number += digit * scale;
        scale *= 10;
    }
    std::uint64_t hash = kMul * (name.size() + 1);
    if (n <= 8) {
        hash ^= LoadShort(p, n) & kCase;
    } else {
        for (std::size_t i = 0; i + 8 < n; i += 8) {
            hash = (hash ^ (Load8(p + i) & kCase)) * kMul;
            hash ^= hash >> 29;
        }
        hash ^= Load8(p + n - 8) & kCase;  // the last word, overlapping the one before
    }
    return {hash, number};
}

// Most names are a word and a number ("Series12"), made in counting order. The number's last
// three bits pick the slot within a block of eight (one cache line of slots) and the rest of it,
// with the word, the block: thousands of such names are indexed and found with one trip to
// memory per eight.
std::uint64_t JoinName(TNameParts parts)
{
    std::uint64_t hash = (parts.word ^ (parts.number >> 3)) * kMul;
    hash ^= hash >> 32;
    hash *= 0xD6E8FEB86659FD93ull;
    hash ^= hash >> 32;
    return (hash & ~std::uint64_t{7}) | (parts.number & 7);
}

}  // namespace

std::uint64_t IdentHash(std::string_view name)
{
    return JoinName(SplitName(name));
}

std::size_t TNameIndex::FindSlot(std::string_view name, std::uint64_t hash, std::size_t* freeSlot) const
{
    if (entries_.empty()) return kNone;
    const std::size_t mask = slots_.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot slot = slots_[i];
        if (!slot.entry) {
            if (freeSlot) *freeSlot = i;
            return kNone;
        }
        if (slot.tag != tag) continue;
        const Entry& entry = entries_[slot.entry - 1];
        if (entry.hash == hash && SameIdentView(entry.component->Name(), name)) return i;
    }
}

TComponent* TNameIndex::Find(std::string_view name) const
{
    if (name.empty() || entries_.empty()) return nullptr;
    const TNameParts parts = SplitName(name);
    const std::uint64_t hash = JoinName(parts);
    std::size_t freeSlot = kNone;
    const std::size_t at = FindSlot(name, hash, &freeSlot);
    if (at != kNone) return entries_[slots_[at].entry - 1].component;
    // A new name at the end of a block: the next name in counting order goes to another block,
    // whose slots are fetched while the caller goes on.
    if ((parts.number & 7) == 7) {
        const char* next = reinterpret_cast<const char*>(&slots_[JoinName({parts.word, parts.number + 1}) & (slots_.size() - 1)]);
        __builtin_prefetch(next);
        __builtin_prefetch(next + 7 * sizeof(Slot));
    }
    lastMiss.index = this;
    lastMiss.stamp = stamp_;
    lastMiss.hash = hash;
    lastMiss.slot = freeSlot;
    lastMiss.name.assign(name);
    return nullptr;
}

void TNameIndex::Place(std::uint64_t hash, std::uint32_t entry)
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].entry) i = (i + 1) & mask;
    slots_[i] = {static_cast<std::uint32_t>(hash), entry};
}

void TNameIndex::Rebuild(std::size_t slotCount)
{
    slots_.assign(slotCount, Slot{0, 0});
    for (std::size_t k = 0; k < entries_.size(); ++k) Place(entries_[k].hash, static_cast<std::uint32_t>(k + 1));
}

void TNameIndex::Add(TComponent* component)
{
    const std::string& name = component->Name();
    if (name.empty()) return;
    if (entries_.size() >= UINT32_MAX - 1) throw EComponentError("Too many components");
    const bool known = lastMiss.index == this && lastMiss.stamp == stamp_ && lastMiss.name.size() == name.size() &&
                       std::equal(name.begin(), name.end(), lastMiss.name.begin());
    lastMiss.index = nullptr;
    const std::uint64_t hash = known ? lastMiss.hash : IdentHash(name);
    std::size_t freeSlot = known ? lastMiss.slot : kNone;
    if (!known && FindSlot(name, hash, &freeSlot) != kNone) return;
    stamp_ = stamp_ ? stamp_ + 1 : NewStampRange();
    entries_.push_back({hash, component});
    const auto entry = static_cast<std::uint32_t>(entries_.size());
    if (entries_.size() * 2 > slots_.size()) Rebuild(slots_.empty() ? 16 : slots_.size() * 2);
    else if (freeSlot != kNone) slots_[freeSlot] = {static_cast<std::uint32_t>(hash), entry};
    else Place(hash, entry);
}

// Backward shift: later slots of the probe run move up, so no run is broken by the gap.
void TNameIndex::Vacate(std::size_t at)
{
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t next = (at + 1) & mask; slots_[next].entry; next = (next + 1) & mask) {
        const std::size_t home = slots_[next].tag & mask;
        // The slot may fill the gap when its home is not within (at, next].
        if (((next - home) & mask) >= ((next - at) & mask)) {
            slots_[at] = slots_[next];
            at = next;
        }
    }
    slots_[at] = Slot{0, 0};
}

void TNameIndex::Remove(TComponent* component)
{
    const std::string& name = component->Name();
    if (name.empty()) return;
    const std::size_t at = FindSlot(name, IdentHash(name));
    if (at == kNone) return;
    const std::size_t index = slots_[at].entry - 1;
    if (entries_[index].component != component) return;
    ++stamp_;
    Vacate(at);
    // The last entry fills the hole; its slot is found by its hash and pointed at the new place.
    const std::size_t last = entries_.size() - 1;
    if (index != last) {
        const Entry moved = entries_[last];
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = moved.hash & mask;
        while (slots_[i].entry != last + 1) i = (i + 1) & mask;
        slots_[i].entry = static_cast<std::uint32_t>(index + 1);
        entries_[index] = moved;
    }
    entries_.pop_back();
    assert(entries_.size() * 2 <= slots_.size());
}
