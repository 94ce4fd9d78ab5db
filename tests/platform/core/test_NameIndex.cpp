// The index of an owner's component names: lengths, case, neighbours in one block, removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/core/Component.h"
#include "platform/core/NameIndex.h"

namespace {

// Owner-less named components the index points at.
class Named {
public:
    TComponent* Make(const std::string& name)
    {
        auto& made = made_.emplace_back(MakeComponent<TComponent>(nullptr));
        made->SetName(name);
        return made.get();
    }

private:
    std::vector<TComponentPtr<TComponent>> made_;
};

// Swaps the case of every letter.
std::string OtherCase(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return text;
}

// Names of every length up to 300, plain words, words with counting numbers and long numbers.
std::vector<std::string> NamesOfEveryLength()
{
    std::vector<std::string> names;
    const std::string letters = "aBcDeFgHiJkLmNoPqRsTuVwXyZ_";
    for (std::size_t length = 1; length <= 300; ++length) {
        std::string word;
        for (std::size_t i = 0; i < length; ++i) word += letters[(i * 7 + length) % letters.size()];
        names.push_back(word);
        if (length >= 2) names.push_back(word.substr(0, length - 1) + std::to_string(length % 10));
        if (length >= 5) names.push_back(word.substr(0, 1) + std::string(length - 1, '9'));
    }
    return names;
}

TEST(NameIndex, NamesOfEveryLengthFoundInEitherCase)
{
    Named named;
    TNameIndex index;
    const auto names = NamesOfEveryLength();
    for (const std::string& name : names) index.Add(named.Make(name));
    ASSERT_EQ(index.Count(), names.size());
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        TComponent* found = index.Find(name);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->Name(), name);
        EXPECT_EQ(index.Find(OtherCase(name)), found);
        // One letter more or less is another name.
        EXPECT_EQ(index.Find(name + "a"), nullptr);
        if (name.size() > 1) {
            EXPECT_EQ(index.Find(name.substr(0, name.size() - 1) + "#"), nullptr);
        }
    }
    EXPECT_EQ(index.Find(""), nullptr);
}

// Names whose bytes differ only in the bit that tells ASCII case apart hash alike; only letters
// compare equal.
TEST(NameIndex, SameHashOtherNameIsNotFound)
{
    struct Case {
        const char* stored;
        const char* asked;
        bool same;
    };
    const Case cases[] = {
        {"A_1", "a_1", true},       {"A_1", "A\x7F" "1", false}, {"Node5", "NODE5", true},
        {"Node5", "Node\x15", false}, {"X_", "x\x7F", false},     {"Zebra99", "zEBRA99", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        Named named;
        TNameIndex index;
        TComponent* stored = named.Make(c.stored);
        index.Add(stored);
        EXPECT_EQ(index.Find(c.asked), c.same ? stored : nullptr);
    }
}

// Counted names fill blocks of slots; removing any of them in any order keeps the rest found.
TEST(NameIndex, ManyCountedNamesAddedAndRemovedInRandomOrder)
{
    Named named;
    TNameIndex index;
    std::vector<TComponent*> all;
    for (int i = 0; i < 20000; ++i) {
        // Three counting series and some plain words share the table.
        const std::string name = (i % 3 == 0 ? "Series" : i % 3 == 1 ? "Axis" : "P") + std::to_string(i / 3);
        all.push_back(named.Make(name));
        ASSERT_EQ(index.Find(name), nullptr) << name;
        index.Add(all.back());
    }
    std::mt19937 random(52);
    std::shuffle(all.begin(), all.end(), random);
    const std::size_t half = all.size() / 2;
    for (std::size_t i = 0; i < half; ++i) index.Remove(all[i]);
    EXPECT_EQ(index.Count(), all.size() - half);
    for (std::size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(index.Find(all[i]->Name()), i < half ? nullptr : all[i]) << all[i]->Name();
    // Added again after removal, in another order.
    for (std::size_t i = half; i-- > 0;) index.Add(all[i]);
    for (TComponent* component : all) ASSERT_EQ(index.Find(OtherCase(component->Name())), component);
}

// A name indexed already keeps its component; removing the other component of the same name
// leaves the entry alone.
TEST(NameIndex, DuplicateNamesKeepTheFirst)
{
    Named named;
    TNameIndex index;
    TComponent* first = named.Make("Chart1");
    TComponent* second = named.Make("CHART1");
    index.Add(first);
    index.Add(second);
    EXPECT_EQ(index.Count(), 1u);
    index.Remove(second);
    EXPECT_EQ(index.Find("chart1"), first);
    index.Remove(first);
    EXPECT_EQ(index.Find("chart1"), nullptr);
    EXPECT_EQ(index.Count(), 0u);
}

// A name looked up and not found, then indexed, takes the slot the look-up ended on only when
// nothing changed in between and it is the very name looked up.
TEST(NameIndex, LookUpThenAddAfterOtherChanges)
{
    Named named;
    TNameIndex first, second;
    for (int i = 0; i < 7; ++i) first.Add(named.Make("Base" + std::to_string(i)));
    struct Step {
        const char* asked;
        const char* added;
        bool removeBetween;
        TNameIndex* into;
    };
    const Step steps[] = {
        {"Base7", "Base7", false, &first},  {"Base8", "Other8", false, &first},
        {"Base9", "Base9", true, &first},   {"Base10", "Base10", false, &second},
        {"Base11", "base11", false, &first},
    };
    TComponent* removable = named.Make("Gone");
    for (const Step& step : steps) {
        SCOPED_TRACE(step.added);
        first.Add(removable);
        EXPECT_EQ(first.Find(step.asked), nullptr);
        if (step.removeBetween) first.Remove(removable);
        TComponent* added = named.Make(step.added);
        step.into->Add(added);
        EXPECT_EQ(step.into->Find(step.added), added);
        first.Remove(removable);
    }
    for (int i = 0; i < 7; ++i) EXPECT_NE(first.Find("base" + std::to_string(i)), nullptr);
    EXPECT_EQ(first.Count(), 7u + 4u);
    EXPECT_EQ(second.Count(), 1u);
}

}  // namespace
