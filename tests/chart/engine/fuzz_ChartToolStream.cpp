// Axis tools and series groups read from chart files: reading any stream never crashes or leaks,
// an axis tool ends with an axis of its chart or none, and groups resolve only to series of the
// chart.
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

namespace {

class TFuzzGroupHolder : public TComponent {
    QB_CLASS(TFuzzGroupHolder, TComponent)
public:
    TFuzzGroupHolder() : TComponent(nullptr) {}
    static void DeclareProperties(TPropertyDeclarer<TFuzzGroupHolder>& p)
    {
        p.Collection("SeriesGroups", &TFuzzGroupHolder::Groups);
    }
    TSeriesGroups* Groups() { return &groups; }
    TSeriesGroups groups{nullptr};
};

template <class Fn>
void ReadInto(const std::uint8_t* data, std::size_t size, TComponent& root, Fn&& after)
{
    try {
        TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
        ReadComponentFromStream(stream, &root);
    } catch (const Exception&) {
    }
    after();
    TMemoryStream out;
    WriteComponentToStream(out, &root);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TCustomAxisPanel chart(nullptr);
    {
        TDuvCustomToolAxis tool(nullptr);
        tool.SetParentChart(&chart);
        ReadInto(data, size, tool, [&] { assert(!tool.Axis() || chart.AxesList().IndexOf(tool.Axis()) >= 0); });
    }

    TFuzzGroupHolder holder;
    TCustomSeriesList none;
    ReadInto(data, size, holder, [&] {
        holder.groups.ResolvePendingSeries(none);
        for (int i = 0; i < holder.groups.Count(); ++i) assert(holder.groups.GetGroup(i)->Series().Count() == 0);
    });
    return 0;
}
