#include "platform/core/NameIndex.h"

#include <cstdint>
#include <cstring>

#include "platform/core/Component.h"

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

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

}  // namespace

std::size_t IdentHash(std::string_view name)
{
    // Most names are a word and a number ("Series12"). The word is hashed eight bytes at a time
    // with the case bit of every byte cleared (names equal but for case hash alike), and eight
    // numbers in a row share a block of slots, so that thousands of such names are indexed and
    // found with few trips to memory.
    std::size_t end = name.size();
    std::uint64_t number = 0, scale = 1;
    while (end > 0 && static_cast<unsigned char>(name[end - 1] - '0') < 10) {
        number += static_cast<std::uint64_t>(name[end - 1] - '0') * scale;
        scale *= 10;
        --end;
    }
    constexpr std::uint64_t kCase = 0xDFDFDFDFDFDFDFDFull;
    constexpr std::uint64_t kMul = 0xff51afd7ed558ccdull;
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ end;
    std::size_t i = 0;
    for (; i + 8 <= end; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, name.data() + i, 8);
        hash = (hash ^ (word & kCase)) * kMul;
        hash ^= hash >> 32;
    }
    std::uint64_t tail = 0;
    for (int shift = 0; i < end; ++i, shift += 8) tail |= std::uint64_t{static_cast<unsigned char>(name[i])} << shift;
    hash = (hash ^ (tail & kCase) ^ (number >> 3)) * kMul;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ull;
    hash ^= hash >> 33;
    return static_cast<std::size_t>((hash & ~std::uint64_t{7}) | (number & 7));
}

std::size_t TNameIndex::FindSlot(std::string_view name, std::size_t hash) const
{
    if (count_ == 0) return kNone;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (!slot.component) return kNone;
        if (slot.hash == hash && SameIdentView(slot.component->Name(), name)) return i;
    }
}

TComponent* TNameIndex::Find(std::string_view name) const
{
    if (name.empty() || count_ == 0) return nullptr;
    const std::size_t at = FindSlot(name, IdentHash(name));
    return at == kNone ? nullptr : slots_[at].component;
}

void TNameIndex::Grow()
{
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? 8 : old.size() * 2, Slot());
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (!slot.component) continue;
        std::size_t i = slot.hash & mask;
        while (slots_[i].component) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void TNameIndex::Add(TComponent* component)
{
    const std::string& name = component->Name();
    if (name.empty()) return;
    const std::size_t hash = IdentHash(name);
    if (FindSlot(name, hash) != kNone) return;
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].component) i = (i + 1) & mask;
    slots_[i] = {hash, component};
    ++count_;
}

void TNameIndex::Remove(TComponent* component)
{
    const std::string& name = component->Name();
    if (name.empty()) return;
    std::size_t at = FindSlot(name, IdentHash(name));
    if (at == kNone || slots_[at].component != component) return;
    // Backward shift: later entries of the probe run move up, so no run is broken by the gap.
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t next = (at + 1) & mask; slots_[next].component; next = (next + 1) & mask) {
        const std::size_t home = slots_[next].hash & mask;
        // The entry may fill the gap when its home is not within (at, next].
        if (((next - home) & mask) >= ((next - at) & mask)) {
            slots_[at] = slots_[next];
            at = next;
        }
    }
    slots_[at] = Slot();
    --count_;
}
