#pragma once
// The names of an owner's components, found without regard to case. An open table of the
// components themselves (the names stay in the components): adding a name allocates nothing
// but the table's growth, and a look-up copies and upper-cases nothing.
#include <cstddef>
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

private:
    struct Slot {
        std::size_t hash = 0;
        TComponent* component = nullptr;  // nullptr: free
    };
    std::size_t FindSlot(std::string_view name, std::size_t hash) const;  // npos if none
    void Grow();

    std::vector<Slot> slots_;  // a power of two long, at most half full
    std::size_t count_ = 0;
};

// Hash of an identifier that ignores ASCII case, as SameIdent compares.
std::size_t IdentHash(std::string_view name);
