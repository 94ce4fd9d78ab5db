#include "support_ChartEngine.h"

#include <gtest/gtest.h>

#include <QProcess>

#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/graphics/DuvBrush.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

namespace enginetest {

void StartChartModules()
{
    static const bool started = [] {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        return true;
    }();
    (void)started;
}

void TTestPanel::DrawContents(const TRect& r)
{
    Drawn.push_back(r);
    if (WithBevels) DrawBevels(r);
    if (Draw) Draw(*this, r);
}

void DrawSampleScene(TTestPanel& panel, const TRect& r)
{
    TCanvas3D& canvas = panel.Canvas();
    const auto fill = [&](TColor color) {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(color);
        canvas.ApplyBrush(canvas.Brush());
        canvas.Pen().SetColor(color);
        canvas.ApplyPen();
    };
    const int dx = r.Left, dy = r.Top;
    fill(clRed);
    canvas.Rectangle(kRedRect.Left + dx, kRedRect.Top + dy, kRedRect.Right + dx, kRedRect.Bottom + dy);
    fill(clBlue);
    canvas.Rectangle(kBlueRect.Left + dx, kBlueRect.Top + dy, kBlueRect.Right + dx, kBlueRect.Bottom + dy);
    fill(clGreen);
    canvas.Ellipse(kGreenEllipse.Left + dx, kGreenEllipse.Top + dy, kGreenEllipse.Right + dx, kGreenEllipse.Bottom + dy);
    canvas.Font().SetColor(clBlack);
    canvas.ApplyFont();
    canvas.SetBackMode(TRANSPARENT);
    canvas.TextOut(kTextX + dx, kTextY + dy, "Quellbrook");
}

std::string ComponentTextOf(TComponent& component)
{
    TMemoryStream binary, text;
    WriteComponentToStream(binary, &component);
    binary.SetPosition(0);
    ObjectBinaryToText(binary, text);
    return text.Bytes();
}

void ReadComponentText(TComponent& component, const std::string& lines)
{
    TMemoryStream text, binary;
    text.WriteString(lines);
    text.SetPosition(0);
    ObjectTextToBinary(text, binary);
    binary.SetPosition(0);
    ReadComponentFromStream(binary, &component);
}

std::string Run(const std::vector<std::string>& arguments)
{
    QProcess process;
    QStringList args;
    for (std::size_t i = 1; i < arguments.size(); ++i) args << QString::fromStdString(arguments[i]);
    process.start(QString::fromStdString(arguments.at(0)), args);
    const bool finished = process.waitForFinished(60000);
    const std::string output = process.readAllStandardOutput().toStdString();
    EXPECT_TRUE(finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        << arguments[0] << " failed: " << process.readAllStandardError().toStdString();
    return output;
}

std::vector<TRecordedCall> GroupCalls(const std::vector<TRecordedCall>& calls, const std::string& name)
{
    std::vector<TRecordedCall> result;
    int depth = -1;
    for (const TRecordedCall& call : calls) {
        if (depth < 0) {
            if (call.Text() == "PushTransform(\"" + name + "\")") depth = 0;
            continue;
        }
        if (call.Name == "PushTransform") ++depth;
        if (call.Name == "PopTransform" && depth-- == 0) break;
        result.push_back(call);
    }
    return result;
}

std::vector<std::string> Lines(const std::vector<TRecordedCall>& calls)
{
    std::vector<std::string> lines;
    std::string from;
    for (const TRecordedCall& call : calls) {
        if (call.Name == "MoveTo") from = call.Args;
        if (call.Name == "LineTo") lines.push_back(from + "-" + call.Args);
    }
    return lines;
}

}  // namespace enginetest
