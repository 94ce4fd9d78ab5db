// Components are told about while whole, and guarded references never dangle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/ComponentRef.h"

namespace {

// A component with a part of its own that a handler reads while it goes.
class TPart : public TComponent {
public:
    explicit TPart(TComponent* owner, std::string label = "part") : TComponent(owner), Label(std::move(label)) {}
    std::string Label;
};

// Keeps a reference to a part it does not own and notes what the going part said.
class TWatcher : public TComponent {
public:
    explicit TWatcher(TComponent* owner) : TComponent(owner) {}
    TComponentRef<TPart> Part{this};
    std::vector<std::string> Heard;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove && component == Part) Heard.push_back(Part->Label);
        TComponent::Notification(component, operation);
    }
};

// An owner that reads the label of each part it hears going.
class TListener : public TComponent {
public:
    explicit TListener(TComponent* owner) : TComponent(owner) {}
    std::vector<std::string> Heard;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove)
            if (auto* part = dynamic_cast<TPart*>(component)) Heard.push_back(part->Label);
        TComponent::Notification(component, operation);
    }
};

}  // namespace

TEST(ComponentRef, ClearsWhenTheTargetGoesAndTheHolderSeesItWhole)
{
    TScopedComponent<TComponent> form(nullptr);
    auto* watcher = new TWatcher(&form);
    auto* part = new TPart(nullptr, "left");
    watcher->Part = part;
    part->Free();
    EXPECT_EQ(watcher->Part.Get(), nullptr);
    EXPECT_EQ(watcher->Heard, (std::vector<std::string>{"left"}));
}

TEST(ComponentRef, CopiesLinkAnewAndAssignmentKeepsTheHolder)
{
    TScopedComponent<TComponent> form(nullptr);
    auto* first = new TWatcher(&form);
    auto* second = new TWatcher(&form);
    auto* a = new TPart(nullptr, "a");
    auto* b = new TPart(nullptr, "b");
    first->Part = a;
    second->Part = b;
    second->Part = first->Part;  // now both at a; b is no longer watched by second
    TComponentRef<TPart> loose;  // no holder: only the reference clears
    loose = first->Part;
    std::vector<TComponentRef<TPart>> copies(3, loose);
    copies.push_back(loose);  // the vector grows: moved references stay linked
    b->Free();
    EXPECT_TRUE(second->Heard.empty());
    a->Free();
    EXPECT_EQ(first->Part.Get(), nullptr);
    EXPECT_EQ(second->Part.Get(), nullptr);
    for (const auto& copy : copies) EXPECT_EQ(copy.Get(), nullptr);
    EXPECT_EQ(first->Heard, (std::vector<std::string>{"a"}));
    EXPECT_EQ(second->Heard, (std::vector<std::string>{"a"}));
}

TEST(ComponentRef, AReferenceThatGoesFirstUnlinksItself)
{
    auto* part = new TPart(nullptr);
    {
        TComponentRef<TPart> ref;
        ref = part;
        int gone = 0;
        ref.OnGone = [&gone](TComponent*) { ++gone; };
    }
    part->Free();  // would touch the freed reference if it had stayed on the list
    SUCCEED();
}

// Each pair: who goes, and whether its partner still pointed at it and read its own part.
TEST(ComponentLifetime, HandlersSeeTheGoingComponentWhole)
{
    struct Case {
        const char* name;
        bool ownedByListener;  // the part belongs to the listener (owner frees child)
        bool freeOwner;        // the owner goes, taking the part
    };
    const Case cases[] = {
        {"owner frees child", true, true},
        {"child freed alone", true, false},
        {"referenced part freed alone", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TScopedComponent<TComponent> form(nullptr);
        auto* listener = new TListener(&form);
        auto* watcher = new TWatcher(&form);
        auto* part = new TPart(c.ownedByListener ? static_cast<TComponent*>(listener) : nullptr, c.name);
        watcher->Part = part;
        if (c.freeOwner) listener->Free();
        else part->Free();
        EXPECT_EQ(watcher->Part.Get(), nullptr);
        EXPECT_EQ(watcher->Heard, (std::vector<std::string>{c.name}));
        if (c.ownedByListener && !c.freeOwner) {
            EXPECT_EQ(listener->Heard, (std::vector<std::string>{c.name}));
        }
    }
}

TEST(ComponentLifetime, ScopedAndOwnedComponentsRunTheRoundOnce)
{
    int rounds = 0;
    class TCounting : public TComponent {
    public:
        TCounting(TComponent* owner, int& rounds) : TComponent(owner), rounds_(rounds) {}

    protected:
        void Destroying() override
        {
            if (!HasState(csDestroying)) ++rounds_;
            TComponent::Destroying();
        }

    private:
        int& rounds_;
    };
    {
        TScopedComponent<TCounting> scoped(nullptr, rounds);
        new TCounting(&scoped, rounds);
        TComponentPtr<TCounting> held(new TCounting(nullptr, rounds));
        EXPECT_TRUE(MakeComponent<TCounting>(nullptr, rounds));
        EXPECT_EQ(rounds, 1);
    }
    EXPECT_EQ(rounds, 4);
}
