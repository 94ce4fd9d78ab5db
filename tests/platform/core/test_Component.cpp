// Ownership, names, states, free notification, Assign and event delegates.
#include <gtest/gtest.h>

#include "SampleComponents.h"

namespace {

// Records its destruction in a shared log.
class TTracked : public TComponent {
    QB_CLASS(TTracked, TComponent)
public:
    TTracked(TComponent* owner, std::vector<std::string>* log) : TComponent(owner), log_(log) {}
    ~TTracked() override
    {
        if (log_) log_->push_back(Name() + (HasState(csDestroying) ? "" : " (not destroying)"));
    }

private:
    std::vector<std::string>* log_;
};

TEST(Component, OwnerFreesItsComponentsLastFirst)
{
    std::vector<std::string> log;
    auto* owner = new TComponent(nullptr);
    for (const char* name : {"A", "B", "C"}) (new TTracked(owner, &log))->SetName(name);
    owner->Components(0)->SetComponentIndex(2);  // B, C, A
    FreeComponent(owner);
    EXPECT_EQ(log, (std::vector<std::string>{"A", "C", "B"}));
}

TEST(Component, NamesAreUniquePerOwnerWithoutRegardToCase)
{
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    a->SetName("Series1");
    EXPECT_EQ(owner.FindComponent("SERIES1"), a);
    auto* b = new TComponent(&owner);
    try {
        b->SetName("series1");
        ADD_FAILURE();
    } catch (const EComponentError& e) {
        EXPECT_STREQ(e.what(), "A component named series1 already exists");
    }
    EXPECT_EQ(b->Name(), "");
    a->SetName("sERIES1");  // renaming itself in another case is fine
    for (const char* bad : {"1abc", "a b", "a.b", "-"}) EXPECT_THROW(b->SetName(bad), EComponentError) << bad;
    b->SetName("Series2");
    EXPECT_EQ(UniqueComponentName(&owner, "Series"), "Series3");
    EXPECT_EQ(UniqueComponentName(&owner, "ChartTool"), "ChartTool1");
    a->SetName("");
    EXPECT_EQ(owner.FindComponent("Series1"), nullptr);
    EXPECT_EQ(UniqueComponentName(&owner, "Series"), "Series1");
    // A component moving to an owner that has its name already is refused.
    TComponent other(nullptr);
    auto* c = new TComponent(&other);
    c->SetName("Series2");
    EXPECT_THROW(owner.InsertComponent(c), EComponentError);
    EXPECT_EQ(c->Owner(), &other);
}

TEST(Component, InsertAndRemoveMoveOwnership)
{
    TComponent first(nullptr), second(nullptr);
    auto* c = new TComponent(&first);
    c->SetName("C");
    second.InsertComponent(c);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(c->Owner(), &second);
    EXPECT_EQ(second.FindComponent("c"), c);
    second.RemoveComponent(c);
    EXPECT_EQ(second.FindComponent("c"), nullptr);
    FreeComponent(c);
}

TEST(Component, FreeNotificationClearsReferencesBothWays)
{
    TComponent formA(nullptr), formB(nullptr);
    auto* a = new TSampleThing(&formA);
    auto* b = new TSampleThing(&formB);
    a->SetPartner(b);
    b->SetPartner(a);
    FreeComponent(b);  // a hears of it although they have different owners
    EXPECT_EQ(a->Partner(), nullptr);
    auto* c = new TSampleThing(&formB);
    c->SetPartner(a);
    FreeComponent(a);
    EXPECT_EQ(c->Partner(), nullptr);
    // Components of one owner hear of each other without asking.
    auto* d = new TSampleThing(&formB);
    auto* e = new TSampleThing(&formB);
    d->SetPartner(e);
    d->RemoveFreeNotification(e);
    FreeComponent(e);
    EXPECT_EQ(d->Partner(), nullptr);
}

TEST(Component, FreeingOwnedComponentsWhileOthersWatchThem)
{
    // A watcher outside the owner outlives the owner: its reference is cleared, nothing dangles.
    TComponent outside(nullptr);
    auto* watcher = new TSampleThing(&outside);
    {
        TComponent form(nullptr);
        auto* target = new TSampleThing(&form);
        new TSampleThing(&form);
        watcher->SetPartner(target);
    }
    EXPECT_EQ(watcher->Partner(), nullptr);
}

TEST(Component, AssignRaisesTheAssignmentError)
{
    TSampleFont font;
    TSamplePlain plain(nullptr);
    try {
        font.Assign(&plain);
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TSamplePlain to a TSampleFont.");
    }
    EXPECT_THROW(font.Assign(nullptr), EConvertError);
    TSampleFont other;
    other.Size = 20;
    other.Style = {soBold};
    font.Assign(&other);
    EXPECT_EQ(font.Size, 20);
    EXPECT_EQ(font.Style, TSampleOptions{soBold});
}

TEST(Component, AssignPublishedPropertiesCopiesDeep)
{
    TSampleThing a(nullptr), b(nullptr);
    a.Small = 4;
    a.Lines.Add("x");
    a.Font()->Size = 30;
    static_cast<TSampleItem*>(a.Items()->Add())->Value = 9;
    AssignPublishedProperties(b, a);
    EXPECT_EQ(b.Small, 4);
    EXPECT_EQ(b.Lines.Count(), 1);
    ASSERT_TRUE(b.HasFont());
    EXPECT_EQ(b.Font()->Size, 30);
    EXPECT_NE(b.Font(), a.Font());
    ASSERT_EQ(b.Items()->Count(), 1);
    EXPECT_EQ(static_cast<TSampleItem*>(b.Items()->Items(0))->Value, 9);
    a.SetFont(nullptr);  // null frees the sub-object
    EXPECT_FALSE(a.HasFont());
    AssignPublishedProperties(b, a);
    EXPECT_FALSE(b.HasFont());
}

class Receiver {
public:
    void Count(TObject*) { ++calls; }
    void Other(TObject*) {}
    void Veto(int value, bool& allow) { allow = value > 0; }
    int calls = 0;
};

TEST(Events, DelegatesAreNullableCopyableComparable)
{
    Receiver r1, r2;
    TNotifyEvent none;
    EXPECT_FALSE(none.Assigned());
    TNotifyEvent e1(&r1, &Receiver::Count);
    TNotifyEvent copy = e1;
    EXPECT_EQ(copy, e1);
    EXPECT_FALSE(e1 == TNotifyEvent(&r2, &Receiver::Count));
    EXPECT_FALSE(e1 == TNotifyEvent(&r1, &Receiver::Other));
    copy(nullptr);
    EXPECT_EQ(r1.calls, 1);
    TNotifyEvent saved = e1;  // save, replace, restore
    e1 = nullptr;
    EXPECT_FALSE(e1.Assigned());
    e1 = saved;
    e1(nullptr);
    EXPECT_EQ(r1.calls, 2);

    TEvent<void(int, bool&)> veto(&r1, &Receiver::Veto);
    bool allow = true;
    veto(-1, allow);
    EXPECT_FALSE(allow);
    // An untyped method of another signature does not become this delegate.
    EXPECT_FALSE(TNotifyEvent::FromMethod(veto).Assigned());
    EXPECT_EQ(TNotifyEvent::FromMethod(saved), saved);
}

TEST(Events, SetIfChangedReportsEffectiveChanges)
{
    int field = 3;
    EXPECT_FALSE(SetIfChanged(field, 3));
    EXPECT_TRUE(SetIfChanged(field, 4));
    EXPECT_EQ(field, 4);
}

}  // namespace
