#pragma once
// The names of an owner's components, found without regard to case. The components and their
// name hashes stand in one array in indexing order; an open table of small slots (a few hash bits
// and the entry's place) points into it. A look-up copies and upper-cases nothing, most probes
// stay within one cache line of slots, and growing re-places slots only, read from the array.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class TComponent;

class TNameIndex {
public:
    TComponent* Find(std::string_view name) const;  // nullptr if none
    // Indexes component under its name unless a component of that name is indexed already.
    void Add(TComponent* component);
    // Drops component's entry; an entry of another component under the same name stays.
    void Remove(TComponent* component);
    std::size_t Count() const { return entries_.size(); }

private:
    struct Entry {
        std::uint64_t hash;
        TComponent* component;
    };
    struct Slot {
        std::uint32_t tag;    // high half of the hash
        std::uint32_t entry;  // place in entries_ + 1; 0: free
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // kNone if none; then freeSlot (when given) is the free slot that ended the probe.
    std::size_t FindSlot(std::string_view name, std::uint64_t hash, std::size_t* freeSlot = nullptr) const;
    void Place(std::uint64_t hash, std::uint32_t entry);
    void Rebuild(std::size_t slotCount);
    void Vacate(std::size_t at);

    std::vector<Entry> entries_;
    std::vector<Slot> slots_;  // a power of two long, at most half full
    std::uint64_t stamp_ = 0;  // counts changes of the slots
};

// Hash of an identifier that ignores ASCII case, as SameIdent compares.
std::uint64_t IdentHash(std::string_view name);
