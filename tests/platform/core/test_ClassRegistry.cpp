// The class registry: lookup without regard to case, unregistering, virtual construction.
#include <gtest/gtest.h>

#include "SampleComponents.h"

namespace {

TEST(ClassRegistry, FindRegisterUnregisterConstruct)
{
    RegisterClass(TSampleThing::StaticClass());
    RegisterClass(TSampleThing::StaticClass());  // twice is harmless
    EXPECT_EQ(GetClass("tsamplething"), &TSampleThing::StaticClass());
    const TClassInfo& info = FindClass("TSAMPLETHING");
    TComponent owner(nullptr);
    TPersistent* made = info.Create(&owner);
    auto* thing = dynamic_cast<TSampleThing*>(made);
    ASSERT_NE(thing, nullptr);
    EXPECT_EQ(thing->Owner(), &owner);
    EXPECT_EQ(thing->ClassName(), "TSampleThing");
    EXPECT_TRUE(info.InheritsFrom(TComponent::StaticClass()));
    EXPECT_TRUE(info.InheritsFrom("tpersistent"));
    EXPECT_FALSE(info.InheritsFrom(TCollectionItem::StaticClass()));
    EXPECT_EQ(info.Parent(), &TComponent::StaticClass());

    UnregisterClass(TSampleThing::StaticClass());
    EXPECT_EQ(GetClass("TSampleThing"), nullptr);
    try {
        FindClass("TSampleThing");
        ADD_FAILURE();
    } catch (const EClassNotFound& e) {
        EXPECT_STREQ(e.what(), "Class TSampleThing not found");
    }
    RegisterClass(TSampleThing::StaticClass());
    EXPECT_NE(std::find(RegisteredClassNames().begin(), RegisteredClassNames().end(), "TSampleThing"),
              RegisteredClassNames().end());
}

TEST(ClassRegistry, CollectionItemsAndPlainObjectsAreCreatedToo)
{
    TCollection items(TSampleItem::StaticClass());
    TPersistent* item = TSampleItem::StaticClass().Create(&items);
    EXPECT_EQ(items.Count(), 1);
    EXPECT_EQ(items.Items(0), item);
    std::unique_ptr<TPersistent> font(TSampleFont::StaticClass().Create());
    EXPECT_EQ(font->ClassName(), "TSampleFont");
    EXPECT_THROW(TPersistent::StaticClass().Create(), EComponentError);
}

}  // namespace
