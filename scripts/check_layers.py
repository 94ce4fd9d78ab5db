#!/usr/bin/env python3
"""Checks that the libraries depend downward only.

1. A file of one layer includes headers of its own layer or of layers below it.
2. Units (a .h/.cpp pair) of one folder include each other without cycles, except the few
   groups below that are one design: they are allowed to know each other.

Usage: check_layers.py [source root]. Prints each offence and exits 1 when there is one.
"""
import os
import re
import sys

# Lowest first; a folder may include its own headers and those of every earlier row.
# Folders on one row do not include each other.
LAYERS = [
    ["platform/core", "stats/StatDistrib"],
    ["platform/db", "platform/net"],
    ["platform/ui"],
    ["chart/graphics"],
    ["chart/graphics/widgets"],
    ["chart/engine"],
    ["chart/engine/widgets"],
    ["chart/series"],
    ["chart/output"],
    ["chart/output/widgets"],
    ["chart/editor"],
    ["chart/tools"],
    ["chart/tools/widgets"],
    ["chart/series-ext"],
    ["chart/series-ext/widgets"],
    ["chart/demos"],
    ["stats"],
    ["app"],
    ["app/main"],
]

# Units that form one design and may include each other.
ALLOWED_CYCLES = [
    # Components, their name index, property tables, collections and their streaming.
    {"platform/core/" + u for u in ("ClassRegistry", "Collection", "Colors", "Component", "ComponentReader",
                                    "ComponentWriter", "Filer", "NameIndex", "Properties")},
    # A dataset, its fields and the data sources that watch it.
    {"platform/db/" + u for u in ("DataSet", "DataSource", "Fields")},
    # The picture classes and the codecs they register.
    {"chart/graphics/" + u for u in ("BmpCodec", "GraphicClasses", "JpegCodec")},
    # The abstract canvas and the pen, brush and font that tell it of their changes, with the
    # gradient, shadow and corners that brush, font and canvas own and draw.
    {"chart/graphics/" + u for u in ("Canvas3D", "DuvCanvas", "DuvPen", "DuvBrush", "DuvFont", "DuvGradient",
                                     "DuvShadow", "DuvCorners")},
    # A series and its value lists: the lists tell their series of every change, the series owns them.
    {"chart/engine/" + u for u in ("RuRazazi", "RuRazaziValues")},
    # The chart and what it holds: it asks its series, axes, lists and hover settings for ranges,
    # colours and children, and they tell their chart when they join, leave or change.
    {"chart/engine/" + u for u in ("AxisPanel", "RuRazazi", "RuRazaziAxis", "RuRazaziLists", "RuRazaziSelect",
                                   "RuRazaziValues")},
    # A data series, its function, marks, pointer and callouts: the series owns, streams and asks
    # them; the function fills its output series, the others draw for their series.
    {"chart/series/" + u for u in ("RuRazaziSeries", "RuRazaziFunction", "RuRazaziMarks", "RuRazaziPointer",
                                   "RuRazaziCallout")},
    # The chart module: the chart, its legend and the palettes it switches between know each other.
    {"chart/engine/" + u for u in ("Chart", "ChartLegend", "ChartPalettes", "ChartPublished", "ChartRegistry")},
    # The analysis windows open each other: the chart properties dialog opens the broken-line
    # window, which draws into the graph window, whose Properties button opens the dialog again.
    {"stats/" + u for u in ("FBrokenLine", "FChartProp", "FGraph")},
]

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def layer_of(folder):
    for rank, row in enumerate(LAYERS):
        if folder in row:
            return rank
    return None


def source_files(root):
    for top in ("platform", "chart", "stats", "app"):
        for path, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(path, name), root)


def includes(root, rel):
    with open(os.path.join(root, rel), errors="replace") as f:
        text = f.read()
    for target in INCLUDE.findall(text):
        for candidate in (target, os.path.join(os.path.dirname(rel), target)):
            candidate = os.path.normpath(candidate)
            if os.path.exists(os.path.join(root, candidate)):
                yield candidate
                break


def strongly_connected(graph):
    index, low, stack, on_stack, groups = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in graph.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = set()
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.add(w)
                if w == v:
                    break
            if len(group) > 1:
                groups.append(group)

    sys.setrecursionlimit(100000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return groups


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    offences = []
    units = {}
    for rel in source_files(root):
        folder = os.path.dirname(rel)
        own = layer_of(folder)
        if own is None:
            offences.append(f"{rel}: folder {folder} has no place in the layer list")
            continue
        unit = os.path.splitext(rel)[0]
        for header in includes(root, rel):
            other_folder = os.path.dirname(header)
            other = layer_of(other_folder)
            if other is None:
                continue
            if other > own or (other == own and other_folder != folder):
                offences.append(f"{rel}: includes {header} of a layer above or beside its own")
            if other_folder == folder and os.path.splitext(header)[0] != unit:
                units.setdefault(unit, set()).add(os.path.splitext(header)[0])
    for group in strongly_connected(units):
        if not any(group <= allowed for allowed in ALLOWED_CYCLES):
            offences.append("units include each other in a cycle: " + ", ".join(sorted(group)))
    for offence in offences:
        print(offence)
    print(f"layering: {len(offences)} offences")
    return 1 if offences else 0


if __name__ == "__main__":
    sys.exit(main())
