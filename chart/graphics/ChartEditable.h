#pragma once
// What a chart's parts answer the chart editor: the class name of the settings form that edits
// them. Series, functions, tools, sources, shapes and canvases all answer it through this one
// base, so the editor finds the registered form by name without knowing the part's class.
#include <string>

class IChartEditable {
public:
    virtual ~IChartEditable() = default;
    // Empty: no settings form of its own.
    virtual std::string GetEditorClassName() const { return {}; }
};
