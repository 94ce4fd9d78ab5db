#pragma once
// What the chart engine's tests share: the chart modules started once, and a panel whose
// contents are a small fixed drawing.
#include <functional>
#include <string>
#include <vector>

#include "chart/engine/DuvPanel.h"
#include "chart/graphics/RecordingCanvas.h"

namespace enginetest {

// Starts the chart graphics and engine modules once for the test program (fonts, canvas list).
void StartChartModules();

// A protocol code as the number tests log it.
template <class E>
std::string CodeText(E code)
{
    return std::to_string(static_cast<int>(code));
}

// Counts the notifications it is handed (OnZoom, OnScroll and the like).
struct TNotifyCounter {
    int Count = 0;
    void On(TObject*) { ++Count; }
};

// A panel that draws its bevels and then whatever Draw does; it remembers each drawing's bounds.
class TTestPanel : public TCustomDuvPanel {
public:
    explicit TTestPanel(TComponent* owner = nullptr) : TCustomDuvPanel(owner) {}
    std::function<void(TTestPanel&, const TRect&)> Draw;
    std::vector<TRect> Drawn;
    bool WithBevels = true;
    void DrawContents(const TRect& r) override;
};

// Two filled rectangles (red, blue), a green ellipse and the text "Quellbrook" on a panel of
// 200 x 120, the shapes' places given below.
void DrawSampleScene(TTestPanel& panel, const TRect& r);
inline constexpr TRect kRedRect{20, 20, 90, 60};
inline constexpr TRect kBlueRect{110, 20, 180, 60};
inline constexpr TRect kGreenEllipse{60, 70, 140, 110};
inline constexpr int kTextX = 20, kTextY = 90;

// A component's text form (written through the binary stream), and a text read into a component.
std::string ComponentTextOf(TComponent& component);
void ReadComponentText(TComponent& component, const std::string& lines);

// The calls inside the first canvas group of this name (nested groups included).
std::vector<TRecordedCall> GroupCalls(const std::vector<TRecordedCall>& calls, const std::string& name);
// "x0,y0-x1,y1" of every line among the calls (a MoveTo, then a LineTo).
std::vector<std::string> Lines(const std::vector<TRecordedCall>& calls);

// Runs a program and returns its standard output; the test fails when it cannot run or fails.
std::string Run(const std::vector<std::string>& arguments);

}  // namespace enginetest
