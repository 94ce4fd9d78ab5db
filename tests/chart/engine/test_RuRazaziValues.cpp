#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "chart/engine/RuRazaziValues.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/Streams.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

using enginetest::TTestSeries;

namespace {

std::vector<double> ValuesOf(const TChartValueList& list)
{
    return std::vector<double>(list.Values(), list.Values() + list.Count());
}

TChartValueList& ListWith(TTestSeries& s, TChartListOrder order, std::initializer_list<double> values)
{
    TChartValueList& list = *new TChartValueList(&s, "Z");
    list.SetOrder(order);
    for (double v : values) list.AddValue(v);
    return list;
}

struct ValueListCase {
    const char* name;
    std::function<void(TTestSeries&)> check;
};

TEST(ValueListsTest, ValueListsAndLabelsKeepTheirRules)
{
    const ValueListCase cases[] = {
        {"an empty list answers 0 for every statistic",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {});
             EXPECT_EQ(l.GetMinimum(), 0);
             EXPECT_EQ(l.GetMaximum(), 0);
             EXPECT_EQ(l.GetTotal(), 0);
             EXPECT_EQ(l.GetTotalAbsolute(), 0);
             EXPECT_EQ(l.GetSpan(), 0);
         }},
        {"totals of -3, 2, 5",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {-3, 2, 5});
             EXPECT_EQ(l.GetMinimum(), -3);
             EXPECT_EQ(l.GetMaximum(), 5);
             EXPECT_EQ(l.GetTotal(), 4);
             EXPECT_EQ(l.GetTotalAbsolute(), 10);
             EXPECT_EQ(l.GetSpan(), 8);
             l.AddValue(-10);
             EXPECT_EQ(l.GetMinimum(), -10) << "a change makes the statistics stale";
         }},
        {"ascending insertion puts equal values after the earlier ones",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loAscending, {});
             std::vector<int> at;
             for (double v : {1.0, 3.0, 2.0, 2.0}) at.push_back(l.AddValue(v));
             EXPECT_EQ(at, (std::vector<int>{0, 1, 1, 2}));
             EXPECT_EQ(ValuesOf(l), (std::vector<double>{1, 2, 2, 3}));
             EXPECT_EQ(l.AddValue(0), 0);
         }},
        {"descending insertion",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loDescending, {9, 5, 1});
             EXPECT_EQ(l.AddValue(5), 2);
             EXPECT_EQ(l.AddValue(10), 0);
             EXPECT_EQ(ValuesOf(l), (std::vector<double>{10, 9, 5, 5, 1}));
         }},
        {"no order appends",
         [](TTestSeries& s) { EXPECT_EQ(ValuesOf(ListWith(s, loNone, {3, 1, 2})), (std::vector<double>{3, 1, 2})); }},
        {"InsertValueAt ignores the order",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loAscending, {1, 2, 3});
             l.InsertValueAt(1, 99);
             EXPECT_EQ(ValuesOf(l), (std::vector<double>{1, 99, 2, 3}));
         }},
        {"deleting values and runs",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {0, 1, 2, 3, 4});
             l.DeleteValue(0);
             EXPECT_EQ(ValuesOf(l), (std::vector<double>{1, 2, 3, 4}));
             l.DeleteRange(2, 100);
             EXPECT_EQ(ValuesOf(l), (std::vector<double>{1, 2}));
             l.DeleteRange(5, 1);
             l.DeleteRange(0, 0);
             l.DeleteRange(0, -3);
             EXPECT_EQ(ValuesOf(l), (std::vector<double>{1, 2})) << "empty or outside ranges change nothing";
             l.RemoveAllValues();
             EXPECT_EQ(l.Count(), 0);
             EXPECT_EQ(l.Capacity(), 0);
         }},
        {"locating values",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {1, 2, 2});
             EXPECT_EQ(l.LocateValue(2.0), 1);
             EXPECT_EQ(l.LocateValue(7), -1);
             EXPECT_EQ(l.LocateRange(2, 2, 2.0), 2);
         }},
        {"comparing equal values keeps index order in both directions",
         [](TTestSeries& s) {
             for (TChartListOrder order : {loAscending, loDescending}) {
                 TChartValueList& l = ListWith(s, loNone, {0, 0, 0, 4, 0, 4, 1});
                 l.SetOrder(order);
                 EXPECT_EQ(l.CompareValueIndex(3, 5), -1);
                 EXPECT_EQ(l.CompareValueIndex(5, 3), 0);
                 EXPECT_EQ(l.CompareValueIndex(6, 3), order == loAscending ? -1 : 1);
             }
         }},
        {"setting an order does not reorder",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {3, 1, 2});
             l.SetOrder(loAscending);
             EXPECT_EQ(ValuesOf(l), (std::vector<double>{3, 1, 2}));
         }},
        {"rotating left keeps the statistics",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {1, 2, 3});
             EXPECT_EQ(l.GetTotal(), 6);
             l.RotateLeft();
             EXPECT_EQ(ValuesOf(l), (std::vector<double>{2, 3, 1}));
             EXPECT_FALSE(l.Modified());
         }},
        {"the first change after computing tells dependents once",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {1});
             l.GetTotal();
             s.Notifications.clear();
             l.AddValue(2);
             l.AddValue(3);
             EXPECT_EQ(s.Notifications, (std::vector<std::pair<TDependentChange, int>>{{TDependentChange::ValueModified, -1}}));
             l.SetValueAt(1, 7);
             l.SetValueAt(1, 8);
             EXPECT_EQ(s.Notifications.size(), 3u) << "each stored value is told";
             EXPECT_EQ(s.Notifications.back(), (std::pair<TDependentChange, int>{TDependentChange::ValueModified, 1}));
         }},
        {"date-time flag",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {});
             l.SetDateTime(true);
             EXPECT_TRUE(l.DateTime());
             l.SetDateTimeDefault(false);
             EXPECT_FALSE(l.DateTime());
             EXPECT_FALSE(l.DefaultDateTime());
         }},
        {"a new value source refills the series once",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {});
             l.SetValueSource("HEIGHT");
             l.SetValueSource("HEIGHT");
             EXPECT_EQ(s.Refreshes, 1);
             EXPECT_EQ(l.ValueSource(), "HEIGHT");
         }},
        {"assigning copies order, date-time and source only",
         [](TTestSeries& s) {
             TChartValueList& a = ListWith(s, loDescending, {1, 2});
             a.SetDateTime(true);
             a.SetValueSource("F");
             TChartValueList& b = ListWith(s, loNone, {5});
             b.Assign(&a);
             EXPECT_EQ(b.Order(), loDescending);
             EXPECT_TRUE(b.DateTime());
             EXPECT_EQ(b.ValueSource(), "F");
             EXPECT_EQ(b.Name(), "Z");
             EXPECT_EQ(ValuesOf(b), (std::vector<double>{5}));
         }},
        {"the 1001st value takes the storage to 2000",
         [](TTestSeries& s) {
             TChartValueList& l = ListWith(s, loNone, {});
             for (int i = 0; i < 1000; ++i) l.AddValue(i);
             EXPECT_EQ(l.Capacity(), 1000);
             l.AddValue(1000);
             EXPECT_EQ(l.Capacity(), 2000);
         }},
        {"lists join the series in construction order",
         [](TTestSeries& s) {
             TChartValueList& z = ListWith(s, loNone, {});
             EXPECT_EQ(s.ValueLists().Count(), 3);
             EXPECT_EQ(s.ValueLists()[0], &s.X());
             EXPECT_EQ(s.ValueLists()[1], &s.Y());
             EXPECT_EQ(s.ValueLists()[2], &z);
             delete &z;
             EXPECT_EQ(s.ValueLists().Count(), 2) << "a freed list leaves";
         }},
        {"finding a further list by name",
         [](TTestSeries& s) {
             TChartValueList& high = *new TChartValueList(&s, "Vysoký");
             EXPECT_EQ(s.FindValueList("VYSOKÝ"), &high);
             EXPECT_EQ(s.FindValueList("x"), &s.Y()) << "X and Y are never found by name";
             EXPECT_EQ(s.FindValueList("none"), &s.Y());
         }},
        {"labels shorter than the points read empty",
         [](TTestSeries& s) {
             s.AddXY(1, 1, "a");
             s.AddXY(2, 2);
             s.AddXY(3, 3);
             EXPECT_EQ(s.Labels().GetLabelText(0), "a");
             EXPECT_EQ(s.Labels().GetLabelText(2), "");
             EXPECT_EQ(s.Labels().GetLabelText(-1), "");
         }},
        {"a label past the end adds empty ones before it",
         [](TTestSeries& s) {
             TLabelsList& labels = s.Labels();
             labels.SetLabelText(0, "p");
             labels.SetLabelText(1, "q");
             labels.SetLabelText(5, "x");
             EXPECT_EQ(labels.Count(), 6);
             EXPECT_EQ(labels.GetLabelText(4), "");
             labels.SetLabelText(5, "");
             EXPECT_EQ(labels.GetLabelText(5), "");
             labels.SetLabelText(9, "");
             EXPECT_EQ(labels.Count(), 6) << "an empty text adds nothing";
         }},
        {"inserting and deleting labels",
         [](TTestSeries& s) {
             TLabelsList& labels = s.Labels();
             labels.InsertLabel(0, "");
             EXPECT_EQ(labels.Count(), 0);
             labels.InsertLabel(2, "c");
             labels.InsertLabel(0, "a");
             EXPECT_EQ(labels.Count(), 4);
             EXPECT_EQ(labels.GetLabelText(3), "c");
             labels.DeleteLabel(0);
             EXPECT_EQ(labels.GetLabelText(2), "c");
             TLabelsList copy(nullptr);
             labels.SetCaseSensitive(true);
             copy.Assign(labels);
             EXPECT_EQ(copy.Count(), 3);
             EXPECT_EQ(copy.GetLabelText(2), "c");
             EXPECT_TRUE(copy.CaseSensitive());
         }},
        {"finding labels",
         [](TTestSeries& s) {
             TLabelsList& labels = s.Labels();
             labels.SetLabelText(0, "x");
             labels.SetLabelText(1, "ABC");
             labels.SetLabelText(2, "Čas");
             EXPECT_EQ(labels.FindLabel("abc", false), 1);
             EXPECT_EQ(labels.FindLabel("abc", true), -1);
             EXPECT_EQ(labels.FindLabel("čas", false), -1) << "only a to z ignore case";
             EXPECT_EQ(labels.FindLabel("ČAS", false), 2);
         }},
    };
    for (const ValueListCase& c : cases) {
        SCOPED_TRACE(c.name);
        TTestSeries series;
        c.check(series);
    }
}

// Appending two million values must not copy the storage thousands of times.
TEST(ValueListsTest, LongSeriesGrowTheirStorageGeometrically)
{
    TTestSeries series;
    TChartValueList& list = series.Y();
    int growths = 0;
    int capacity = list.Capacity();
    for (int i = 0; i < 2'000'000; ++i) {
        list.AddValue(i);
        if (list.Capacity() != capacity) {
            ++growths;
            capacity = list.Capacity();
        }
    }
    EXPECT_EQ(list.Count(), 2'000'000);
    EXPECT_EQ(list.GetValueAt(1'234'567), 1'234'567);
    EXPECT_LT(growths, 40);
}

TEST(ValueListsTest, SortingMovesEveryParallelListTogether)
{
    TTestSeries series;
    series.X().SetOrder(loNone);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pick(0, 2000);
    for (int i = 0; i < 10'000; ++i) {
        const int x = pick(random);
        series.AddXY(x, 2.0 * x + 1, "p" + std::to_string(x), static_cast<TColor>(x));
    }
    series.X().SetOrder(loAscending);
    series.X().SortOwnerPoints();
    for (int i = 0; i < series.PointCount(); ++i) {
        const double x = series.X()[i];
        if (i > 0) {
            ASSERT_LE(series.X()[i - 1], x) << i;
        }
        ASSERT_EQ(series.Y()[i], 2 * x + 1) << i;
        ASSERT_EQ(series.PointColors[static_cast<std::size_t>(i)], static_cast<TColor>(x)) << i;
        ASSERT_EQ(series.Labels().GetLabelText(i), "p" + std::to_string(static_cast<int>(x))) << i;
    }
    series.Y().SetOrder(loNone);
    const std::vector<double> before = ValuesOf(series.Y());
    series.Y().SortOwnerPoints();
    EXPECT_EQ(ValuesOf(series.Y()), before) << "a list without order sorts nothing";
}

// The grid hides its X column on this answer, so a stale one would hide real X values or show
// plain point numbers. Each case asks once before its change, so a kept answer is tested.
TEST(ValueListsTest, TheIndexSequenceAnswerFollowsEveryChange)
{
    const auto append = [](TChartValueList& l, int from, int count, int wrongAt = -1) {
        std::vector<double> v(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) v[static_cast<std::size_t>(i)] = from + i;
        if (wrongAt >= 0) v[static_cast<std::size_t>(wrongAt)] += 0.5;
        l.AppendValues(v.data(), count);
    };
    struct Case {
        const char* name;
        TChartListOrder order;
        std::vector<double> xs;
        std::function<void(TTestSeries&)> change;  // on the X list unless it says otherwise
        bool sequence;
    };
    const Case cases[] = {
        {"empty", loNone, {}, [](TTestSeries&) {}, true},
        {"appended in order", loNone, {0, 1}, [](TTestSeries& s) { s.X().AddValue(2); }, true},
        {"appended out of order", loNone, {0, 1}, [](TTestSeries& s) { s.X().AddValue(3); }, false},
        {"the next index after a gap", loNone, {0, 2}, [](TTestSeries& s) { s.X().AddValue(2); }, false},
        {"not a number appended", loNone, {0}, [](TTestSeries& s) { s.X().AddValue(std::nan("")); }, false},
        {"an ordered list places a smaller value first", loAscending, {1, 2},
         [](TTestSeries& s) { s.X().AddValue(0); }, true},
        {"a block appended after 0, 1", loNone, {0, 1}, [&](TTestSeries& s) { append(s.X(), 2, 5000); }, true},
        {"a block with one value off deep inside", loNone, {0, 1},
         [&](TTestSeries& s) { append(s.X(), 2, 5000, 3000); }, false},
        {"a block off in its last value", loNone, {}, [&](TTestSeries& s) { append(s.X(), 0, 4099, 4098); },
         false},
        {"a value set off its index", loNone, {0, 1, 2}, [](TTestSeries& s) { s.X().SetValueAt(1, 5); }, false},
        {"a value set back to its index", loNone, {0, 5, 2}, [](TTestSeries& s) { s.X().SetValueAt(1, 1); },
         true},
        {"a middle value deleted", loNone, {0, 1, 2}, [](TTestSeries& s) { s.X().DeleteValue(1); }, false},
        {"the last value deleted", loNone, {0, 1, 2}, [](TTestSeries& s) { s.X().DeleteValue(2); }, true},
        {"the only wrong value deleted from the end", loNone, {0, 1, 7},
         [](TTestSeries& s) { s.X().DeleteValue(2); }, true},
        {"the only wrong value deleted from the front", loNone, {7, 0, 1},
         [](TTestSeries& s) { s.X().DeleteRange(0, 1); }, true},
        {"the missing value inserted", loNone, {0, 2}, [](TTestSeries& s) { s.X().InsertValueAt(1, 1); }, true},
        {"a value inserted in front", loNone, {0, 1}, [](TTestSeries& s) { s.X().InsertValueAt(0, 0); }, false},
        {"the next index inserted at the end", loNone, {0, 1}, [](TTestSeries& s) { s.X().InsertValueAt(2, 2); },
         true},
        {"two values exchanged", loNone, {0, 1, 2}, [](TTestSeries& s) { s.X().Exchange(0, 2); }, false},
        {"two values exchanged back into place", loNone, {1, 0}, [](TTestSeries& s) { s.X().Exchange(0, 1); },
         true},
        {"far values of a long list exchanged", loNone, {},
         [&](TTestSeries& s) {
             append(s.X(), 0, 5000);
             (void)s.X().IsIndexSequence();
             s.X().Exchange(4097, 4998);
         },
         false},
        {"points sorted by X", loNone, {2, 0, 1},
         [](TTestSeries& s) {
             s.X().SetOrder(loAscending);
             s.X().SortOwnerPoints();
         },
         true},
        {"points sorted by Y, moving X", loNone, {0, 1, 2},
         [](TTestSeries& s) {
             s.Y().SetValueAt(0, 50);
             s.Y().SetOrder(loAscending);
             s.Y().SortOwnerPoints();
         },
         false},
        {"rotated into place", loNone, {2, 0, 1}, [](TTestSeries& s) { s.X().RotateLeft(); }, true},
        {"numbered by index", loNone, {5, 3}, [](TTestSeries& s) { s.X().NumberByIndex(); }, true},
        {"cleared", loNone, {3, 4}, [](TTestSeries& s) { s.X().RemoveAllValues(); }, true},
        {"cleared, then refilled from 0", loNone, {3, 4},
         [](TTestSeries& s) {
             s.X().RemoveAllValues();
             for (double x : {0.0, 1.0}) s.X().AddValue(x);
         },
         true},
        {"emptied keeping storage, then refilled from 0", loNone, {4, 9},
         [](TTestSeries& s) {
             s.X().EmptyKeepingStorage();
             for (double x : {0.0, 1.0}) s.X().AddValue(x);
         },
         true},
        {"emptied keeping storage, then refilled with other values", loNone, {0, 1, 2},
         [](TTestSeries& s) {
             s.X().EmptyKeepingStorage();
             for (double x : {5.0, 6.0}) s.X().AddValue(x);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTestSeries series;
        TChartValueList& list = series.X();
        list.SetOrder(loNone);
        for (double x : c.xs) series.AddXY(x, 10 * x);
        list.SetOrder(c.order);
        (void)list.IsIndexSequence();
        c.change(series);
        bool counts = true;
        for (int i = 0; i < list.Count(); ++i) counts = counts && list[i] == i;
        ASSERT_EQ(counts, c.sequence) << "the case's own values";
        EXPECT_EQ(list.IsIndexSequence(), c.sequence);
    }
}

// The warning goes to the loader, which decides; the model shows no box of its own.
TEST(ValueListsTest, AnOldScaledValueListStillLoadsAfterAWarning)
{
    TScriptedUiServices ui;
    TScopedUiServices installed(ui);
    TTestSeries series;
    TMemoryStream text, binary;
    text.WriteString(
        "object Series1: TTestSeries\r\n"
        "  XValues.Multiplier = 2.5\r\n"
        "  XValues.Order = loNone\r\n"
        "  YValues.Multiplier = 1\r\n"
        "  YValues.DateTime = True\r\n"
        "end\r\n");
    text.SetPosition(0);
    ObjectTextToBinary(text, binary);
    const std::string warning = "Error: Multiplier property is obsolete.\rModify DuvDefs (enable Multiplier) and recompile.";

    // A loader that goes on past skippable problems hears the warning once and gets the list.
    std::vector<std::string> heard;
    binary.SetPosition(0);
    {
        TReader reader(binary);
        reader.OnError = [&](TReader&, const std::string& message) {
            heard.push_back(message);
            return true;
        };
        reader.ReadRootComponent(&series);
    }
    ASSERT_EQ(heard.size(), 1u) << "only a multiplier other than 1 is reported";
    EXPECT_EQ(heard[0], warning);
    EXPECT_EQ(series.X().Order(), loNone) << "reading goes on after the warning";
    EXPECT_TRUE(series.Y().DateTime());
    EXPECT_TRUE(ui.Log().empty()) << "no message box from the model";

    // A loader that stops on problems stops here, with the warning as its error.
    TTestSeries strict;
    binary.SetPosition(0);
    try {
        ReadComponentFromStream(binary, &strict);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), warning);
    }
    EXPECT_TRUE(ui.Log().empty());
}

}  // namespace
