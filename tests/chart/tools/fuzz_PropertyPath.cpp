// Property paths typed by users or read from chart files: any path below a chart never crashes,
// and what it resolves to is a property of an object reachable from the chart.
#include <cassert>
#include <cstdint>
#include <set>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "platform/core/Collection.h"

namespace {

// Every object the chart's published properties lead to, items of lists included.
void Reach(TObject* object, std::set<TObject*>& seen, int depth)
{
    if (!object || depth > 8 || !seen.insert(object).second) return;
    if (auto* collection = dynamic_cast<TCollection*>(object))
        for (int i = 0; i < collection->Count(); ++i) Reach(collection->Items(i), seen, depth + 1);
    if (auto* list = dynamic_cast<IObjectList*>(object))
        for (int i = 0; i < list->ObjectCount(); ++i) Reach(list->ObjectAt(i), seen, depth + 1);
    auto* persistent = dynamic_cast<TPersistent*>(object);
    if (!persistent) return;
    for (const TPropInfo* info : persistent->ClassType().Properties()) {
        if (info->Object)
            Reach(info->Object(*persistent, true), seen, depth + 1);
        else if (info->Kind == TPropKind::Component && info->Get)
            Reach(info->Get(*persistent).AsObject(), seen, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static TChart* chart = [] {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        auto* made = new TChart(nullptr);
        made->CustomAxes()->AddAxis();
        made->CustomAxes()->AddAxis();
        return made;
    }();
    static const std::set<TObject*> reachable = [] {
        std::set<TObject*> seen;
        Reach(chart, seen, 0);
        return seen;
    }();
    TObject* object = chart;
    std::string path(reinterpret_cast<const char*>(data), size);
    const TPropInfo* info = ResolvePropertyPath(object, path);
    if (info) {
        assert(object && reachable.count(object));
        assert(GetPropInfo(object, path) == info);
    }
    return 0;
}
