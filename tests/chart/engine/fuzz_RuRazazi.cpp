// Series read from chart files: reading any stream into a series with value lists never crashes
// or leaks, and whatever was read writes itself again.
#include <cstdint>
#include <string>

#include "chart/engine/RuRazazi.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "platform/ui/UiServices.h"

namespace {

class TFuzzSeries : public TCustomChartSeries {
    QB_CLASS(TFuzzSeries, TCustomChartSeries)
public:
    explicit TFuzzSeries(TComponent* owner) : TCustomChartSeries(owner)
    {
        new TChartValueList(this, "X");
        new TChartValueList(this, "Y");
    }
    static void DeclareProperties(TPropertyDeclarer<TFuzzSeries>& p)
    {
        p.Object("XValues", &TFuzzSeries::XValues);
        p.Object("YValues", &TFuzzSeries::YValues);
    }
};

// Old files may make the value lists report; every box is answered with OK.
class TQuietUi : public TUiServices {
public:
    int MessageDlg(const std::string&, TMsgDlgType, TMsgDlgButtons) override { return mrOk; }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
    bool OpenFileDialog(TFileDialogOptions&) override { return false; }
    bool SaveFileDialog(TFileDialogOptions&) override { return false; }
    bool SelectDirectory(const std::string&, std::string&) override { return false; }
    bool ColorDialog(std::uint32_t&) override { return false; }
    bool FontDialog(TFontChoice&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TQuietUi ui;
    TScopedUiServices installed(ui);
    TFuzzSeries series(nullptr);
    try {
        TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
        ReadComponentFromStream(stream, &series);
    } catch (const Exception&) {
    }
    TMemoryStream out;
    WriteComponentToStream(out, &series);
    return 0;
}
