#pragma once
// Chart texts in the HTML-like markup: tags change the canvas font as they open and close,
// break lines, raise and lower sub- and superscripts, draw pictures and rules. Measuring and
// drawing run the same engine, so a measured text covers exactly what drawing it paints.
//
// Each call keeps its own font and tag stacks: a tag a text leaves open ends with that text.
// The canvas keeps the font, pen and brush the markup left; callers set their own before a call.
#include <string>

#include "chart/graphics/DuvTypes.h"

class TDuvCanvas;
class TStream;
class QImage;

// The extent of the text when drawn at (0, 0).
TSize MeasureHtmlText(TDuvCanvas& canvas, const std::string& text);
// Draws at (x, y); a centred (6) or right (2) text alignment places the whole text about x.
void DrawHtmlText(TDuvCanvas& canvas, int x, int y, const std::string& text);
// The engine: draws only when drawing is set; returns the extent reached from (x, y).
// Raises Exception "Unknown field in FONT: <name>" or "Unknown field in FONT WEIGHT=<value>"
// and the number parser's EConvertError for a bad SIZE or "#" colour.
TSize RenderHtmlText(TDuvCanvas& canvas, int x, int y, bool drawing, const std::string& text);

// "RED", "#FF8000", "clNavy", "255", "$FF0000" as a colour (red in the low byte); 0 otherwise.
TColor HtmlColorValue(const std::string& text);
// "#RRGGBB" as a colour; 0x20000000 when the text does not start with '#'.
TColor HexToColorValue(const std::string& text);

// Picture sources of IMG tags. The graphic hook answers whether a picture format exists for an
// upper-case extension with its dot (".PNG"); the stream hook loads a source's bytes into the
// stream and returns 0 when it did. An empty hook shows the missing-picture box.
using THtmlGraphicHook = bool (*)(const std::string& extension);
using THtmlStreamHook = int (*)(const std::string& source, TStream& stream);
extern THtmlGraphicHook HtmlGraphicHook;
extern THtmlStreamHook HtmlStreamHook;
// Sources naming a web address (http://, ftp://, ...) are loaded only when the user allows it:
// a chart text must not reach out to the network while it is drawn.
extern bool HtmlRemotePicturesAllowed;

// The hooks the markup module installs at start: the graphic kinds of the picture module, and
// local files (a path or a file: URL; nothing but regular files).
bool HtmlPictureFormatExists(const std::string& extension);
int LoadHtmlPictureFile(const std::string& source, TStream& stream);
// Reads a picture of the format from the stream; raises Exception when it cannot.
QImage ReadHtmlPicture(const std::string& extension, TStream& stream);
// True when the source names an address of another scheme than file: ("http://x/a.png").
bool IsRemoteHtmlSource(const std::string& source);

// Module start: installs the markup drawer into the canvas and the picture hooks; stop clears them.
void DuvHtmlInitialization();
void DuvHtmlFinalization();
