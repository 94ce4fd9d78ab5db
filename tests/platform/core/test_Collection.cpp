// Collections: items of an item class, reordering, update counting and copies.
#include <gtest/gtest.h>

#include "SampleComponents.h"

namespace {

class TBigItem : public TSampleItem {
    QB_CLASS(TBigItem, TSampleItem)
public:
    explicit TBigItem(TCollection* collection) : TSampleItem(collection) {}
    int Size = 1;
    static void DeclareProperties(TPropertyDeclarer<TBigItem>& p) { p.Integer("Size", &TBigItem::Size).Default(1); }
};

std::vector<int> Values(const TCollection& c)
{
    std::vector<int> values;
    for (int i = 0; i < c.Count(); ++i) values.push_back(static_cast<TSampleItem*>(c.Items(i))->Value);
    return values;
}

TEST(Collection, AddDeleteExchangeMove)
{
    TCollection c(TSampleItem::StaticClass());
    for (int v : {10, 20, 30, 40}) static_cast<TSampleItem*>(c.Add())->Value = v;
    c.Exchange(0, 3);
    EXPECT_EQ(Values(c), (std::vector<int>{40, 20, 30, 10}));
    c.Move(3, 1);
    EXPECT_EQ(Values(c), (std::vector<int>{40, 10, 20, 30}));
    c.Items(0)->SetIndex(2);
    EXPECT_EQ(Values(c), (std::vector<int>{10, 20, 40, 30}));
    EXPECT_EQ(c.Items(2)->Index(), 2);
    c.Delete(0);
    EXPECT_EQ(Values(c), (std::vector<int>{20, 40, 30}));
    static_cast<TSampleItem*>(c.Insert(1))->Value = 5;
    EXPECT_EQ(Values(c), (std::vector<int>{20, 5, 40, 30}));
    int id = c.Items(3)->ID();
    EXPECT_EQ(c.FindItemID(id), c.Items(3));
    delete c.Items(3);  // an item leaves its collection when freed
    EXPECT_EQ(c.Count(), 3);
    try {
        c.Items(3);
        ADD_FAILURE();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (3)");
    }
}

TEST(Collection, UpdatesReportOnceAtTheEnd)
{
    TCollection c(TSampleItem::StaticClass());
    std::vector<TCollectionItem*> reports;
    c.OnUpdate = [&](TCollection*, TCollectionItem* item) { reports.push_back(item); };
    c.Add();
    EXPECT_EQ(reports.size(), 1u);
    c.BeginUpdate();
    c.BeginUpdate();
    c.Add();
    c.Add();
    c.Exchange(0, 1);
    c.EndUpdate();
    EXPECT_EQ(reports.size(), 1u);
    c.EndUpdate();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports.back(), nullptr);
    c.Clear();
    EXPECT_EQ(reports.size(), 3u);
    EXPECT_EQ(c.UpdateCount(), 0);
}

TEST(Collection, AssignCopiesItemsOfTheirOwnClasses)
{
    TCollection source(TSampleItem::StaticClass());
    static_cast<TSampleItem*>(source.Add())->Value = 1;
    auto* big = static_cast<TBigItem*>(source.AddItem(TBigItem::StaticClass()));
    big->Value = 2;
    big->Size = 9;
    TCollection copy(TSampleItem::StaticClass());
    copy.Add();
    copy.Add();
    copy.Add();
    copy.Assign(&source);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(Values(copy), (std::vector<int>{1, 2}));
    auto* copied = dynamic_cast<TBigItem*>(copy.Items(1));
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->Size, 9);
    TSampleFont font;
    EXPECT_THROW(copy.Assign(&font), EConvertError);
    EXPECT_THROW(copy.AddItem(TSampleFont::StaticClass()), EListError);
}

TEST(Collection, ItemsStreamWithTheirOwner)
{
    RegisterSampleClasses();
    TSampleThing thing(nullptr);
    thing.SetName("T");
    static_cast<TSampleItem*>(thing.Items()->Add())->Value = 3;
    EXPECT_EQ(thing.Items()->GetNamePath(), "T.Items");
    EXPECT_EQ(thing.Items()->Items(0)->GetNamePath(), "T.Items[0]");
    TMemoryStream stream(WriteToBytes(&thing));
    TSampleThing back(nullptr);
    back.Items()->Add();
    back.Items()->Add();
    ReadComponentFromStream(stream, &back);
    EXPECT_EQ(Values(*back.Items()), std::vector<int>{3});
}

}  // namespace
