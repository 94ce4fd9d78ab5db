// The text side of the smooth canvas: the canvas font as a painter font (by name, with the
// generic sans-serif face when the name is unknown), its rendering quality, measuring, and text
// drawn with alignment, rotation, background, shadow, emboss, outline and filled glyphs.
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvHtml.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvPicture.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/output/DuvGDIPOBJ.h"
#include "chart/output/DuvGDIPlus.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {
int Round(double value) { return static_cast<int>(Rnd(value)); }

QString ToQString(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

constexpr TFontQuality kStoredQuality[] = {fqBest, fqDefault, fqClearType, fqNormal};

TTextRenderingHint HintOf(TFontQuality quality)
{
    switch (quality) {
    case fqBest: return trhAntiAlias;
    case fqNormal: return trhSingleBitPerPixelGridFit;
    case fqClearType: return trhClearTypeGridFit;
    default: return trhSystemDefault;
    }
}

// A visible effect's size along one axis, 0 for none.
float EffectSize(const TDuvShadow* effect, bool horizontal)
{
    if (!effect || !effect->Visible()) return 0;
    return static_cast<float>(std::abs(horizontal ? effect->HorizSize() : effect->VertSize()));
}
}  // namespace

// ---------------------------------------------------------------- quality

TGDIPlusFontQuality TGDIPlusCanvas::GetTextQuality() const
{
    for (int i = 0; i < 4; ++i)
        if (kStoredQuality[i] == TextQuality) return static_cast<TGDIPlusFontQuality>(i);
    return gpfDefault;
}

void TGDIPlusCanvas::SetTextQuality(TGDIPlusFontQuality value)
{
    if (GetTextQuality() == value) return;
    TextQuality = kStoredQuality[std::clamp(static_cast<int>(value), 0, 3)];
    if (View3DOptions) View3DOptions->Repaint();
    ApplyTextHint();
}

void TGDIPlusCanvas::ApplyTextHint()
{
    const TFontQuality quality = Font().Quality();
    if (quality != fqDefault) {
        textHint_ = HintOf(quality);
    } else if (TextQuality != fqDefault) {
        textHint_ = HintOf(static_cast<TFontQuality>(TextQuality));
    } else {
        // Large text looks best smoothed, small text sharpened to the pixel grid.
        textHint_ = fontSize_ >= 20 ? trhAntiAlias : trhClearTypeGridFit;
    }
}

// ---------------------------------------------------------------- font

void TGDIPlusCanvas::MakeFont()
{
    TDuvFont& font = Font();
    const float size = std::max(font.GetSizeFloat(), 0.1f);
    const int style = static_cast<int>(font.Style().Mask());
    if (!fontMade_ || font.Name() != fontName_ || size != fontSize_ || style != fontStyle_) {
        // Chart text is measured at 96 dots per inch whatever the device.
        gdiFont_ = CreateFontByName(font.Name(), size, style);
        fontName_ = font.Name();
        fontSize_ = size;
        fontStyle_ = style;
        fontMade_ = true;
        ++FontsMade;
    }
    ApplyTextHint();
}

void TGDIPlusCanvas::ApplyFont()
{
    TDuvCanvas::ApplyFont();
    MakeFont();
}

QFont TGDIPlusCanvas::DrawingFont() const
{
    QFont font = gdiFont_;
    switch (textHint_) {
    case trhSingleBitPerPixelGridFit:
        font.setStyleStrategy(QFont::NoAntialias);
        font.setHintingPreference(QFont::PreferFullHinting);
        break;
    case trhAntiAlias:
        font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
        font.setHintingPreference(QFont::PreferNoHinting);
        break;
    case trhClearTypeGridFit:
        font.setStyleStrategy(QFont::PreferAntialias);
        font.setHintingPreference(QFont::PreferFullHinting);
        break;
    default: break;
    }
    return font;
}

// ---------------------------------------------------------------- measuring

void TGDIPlusCanvas::TextSizeFloat(const std::string& text, TPointFloat& size)
{
    const QFontMetricsF metrics(gdiFont_);
    TDuvFont& font = Font();
    size = {static_cast<float>(metrics.horizontalAdvance(ToQString(text))) + EffectSize(font.PeekShadow(), true) +
                EffectSize(font.PeekEmboss(), true),
            static_cast<float>(metrics.height()) + EffectSize(font.PeekShadow(), false) + EffectSize(font.PeekEmboss(), false)};
}

TSize TGDIPlusCanvas::TextExtent(const std::string& text)
{
    const QFontMetricsF metrics(gdiFont_);
    return {Round(metrics.horizontalAdvance(ToQString(text))), Round(metrics.height() + 0.5)};
}

int TGDIPlusCanvas::TextHeight(const std::string& text)
{
    TDuvFont& font = Font();
    return TextExtent(text).cy + static_cast<int>(EffectSize(font.PeekShadow(), false) + EffectSize(font.PeekEmboss(), false));
}

int TGDIPlusCanvas::TextWidth(const std::string& text)
{
    TDuvFont& font = Font();
    return TextExtent(text).cx + static_cast<int>(EffectSize(font.PeekShadow(), true) + EffectSize(font.PeekEmboss(), true));
}

// ---------------------------------------------------------------- drawing

void TGDIPlusCanvas::TextOut(int x, int y, const std::string& text) { DrawText(x, y, text); }

void TGDIPlusCanvas::RotateLabel(int x, int y, const std::string& text, double angle, bool markup)
{
    textRotation_ = 360 - angle;
    const TScopeGuard back([this] { textRotation_ = 0; });
    TextOutFormatted(x, y, markup, text);
}

void TGDIPlusCanvas::DrawGlyphs(QPainter& painter, double x, double y, const QString& text, TColor color,
                                const QRectF& textRect)
{
    TDuvBrush& brush = Brush();
    brush.SetColor(color);
    QBrush glyphBrush;
    if (brush.HasGradient()) {
        glyphBrush = FillBrush(textRect, nullptr, nullptr);
    } else if (brush.Style() == bsClear) {
        glyphBrush = QBrush(ArgbColor(color));
    } else {
        glyphBrush = PlainBrush(brush, nullptr);
    }
    const QFont font = DrawingFont();
    painter.setFont(font);
    painter.setRenderHint(QPainter::TextAntialiasing, textHint_ != trhSingleBitPerPixelGridFit);
    painter.setPen(QPen(glyphBrush, 0));
    painter.drawText(QPointF(x, y + QFontMetricsF(font).ascent()), text);
}

void TGDIPlusCanvas::DrawText(double x, double y, const std::string& text)
{
    QPainter* painter = Painter();
    if (!painter) return;
    TDuvFont& font = Font();
    const QString qtext = ToQString(text);
    TPointFloat size;
    TextSizeFloat(text, size);
    const double x0 = x, y0 = y;
    // Alignment: centre (6) and right (2) across, bottom (8) and baseline (24) down.
    const int align = textAlign_;
    const bool centre = (align & TA_CENTER) == TA_CENTER;
    if (centre)
        x -= size.X / 2;
    else if (align & TA_RIGHT)
        x -= size.X;
    const bool baseline = (align & TA_BASELINE) == TA_BASELINE;
    if (baseline)
        y -= QFontMetricsF(gdiFont_).ascent();
    else if (align & TA_BOTTOM)
        y -= size.Y;

    const QTransform world = painter->transform();
    const bool rotated = textRotation_ != 0 && textRotation_ != 360;
    if (rotated) {
        // The library turns about the placed point (centred text about its middle); bottom and
        // baseline text, placed as the GDI canvas places it, turns about the given point as there.
        const bool placedDown = (align & TA_BOTTOM) != 0 && align != (TA_CENTER | TA_BOTTOM);
        QPointF pivot(centre ? x0 : x, placedDown ? y0 : y);
        if (RotateAroundPoint) pivot = QPointF(RotationPoint.X + 1, RotationPoint.Y);
        painter->translate(pivot);
        painter->rotate(textRotation_);
        painter->translate(-pivot);
    }
    const int savedBackMode = backMode_;
    // The transform in force before the text is given back, not a bare identity.
    const TScopeGuard restore([&] {
        if (TDuvGradient* gradient = Brush().PeekGradient()) gradient->SetVisible(false);
        if (TDuvPicture* image = Brush().PeekImage()) image->SetGraphic(nullptr);
        backMode_ = savedBackMode;
        painter->setTransform(world);
    });
    const QRectF textRect(x, y, size.X, size.Y);
    if (backMode_ != TRANSPARENT && Brush().Style() != bsClear) {
        const QRectF back(QPointF(Round(x), Round(y)), QPointF(Round(x + size.X), Round(y + size.Y)));
        std::optional<QColor> hatchBack;
        const QBrush brush = FillBrush(back, nullptr, &hatchBack);
        if (hatchBack) painter->fillRect(back, *hatchBack);
        painter->fillRect(back, brush);
    }
    auto effect = [&](TDuvShadow* shadow, int sign) {
        if (!shadow || !shadow->Visible() || shadow->GetSize() == 0) return;
        if (TDuvGradient* gradient = Brush().PeekGradient()) gradient->SetVisible(false);
        const double ex = x + shadow->HorizSize(), ey = y + shadow->VertSize();
        DrawGlyphs(*painter, ex, ey, qtext, shadow->Color(), textRect.translated(shadow->HorizSize(), shadow->VertSize()));
        if (shadow->Smooth() && shadow->SmoothBlur() > 0 && GetBufferedDisplay() && BufferBitmap() &&
            painter->device() == BufferBitmap()) {
            // The blur reaches a few pixels beyond the thrown text on the side it was thrown to.
            const QRectF thrown = textRect.translated(shadow->HorizSize(), shadow->VertSize());
            const QRectF reach = thrown.united(textRect.translated(sign * (shadow->HorizSize() + 3), sign * (shadow->VertSize() + 3)));
            BlurBuffer(painter->transform().mapRect(reach).toAlignedRect().adjusted(-3, -3, 3, 3), shadow->SmoothBlur());
        }
    };
    effect(font.PeekShadow(), 1);
    effect(font.PeekEmboss(), -1);
    if (TDuvBrush* fontBrush = font.Brush()) Brush().Assign(fontBrush);
    TDuvHiddenPen* outline = font.PeekOutLine();
    if (!outline || !outline->Visible()) return DrawGlyphs(*painter, x, y, qtext, font.Color(), textRect);
    QPainterPath glyphs;
    const QFont drawing = DrawingFont();
    glyphs.addText(QPointF(x, y + QFontMetricsF(drawing).ascent()), drawing, qtext);
    AssignPenColor(*outline, outline->Color());
    if (PenReady(glyphs.boundingRect())) StrokePath(*painter, glyphs);
    Brush().SetColor(font.Color());
    QBrush glyphBrush = Brush().HasGradient() ? FillBrush(textRect, nullptr, nullptr) : QBrush(ArgbColor(font.Color()));
    painter->fillPath(glyphs, glyphBrush);
}

// A box blur of the buffer's pixels (alpha included) inside rect, steps times.
void TGDIPlusCanvas::BlurBuffer(const QRect& rect, int steps)
{
    QImage* buffer = BufferBitmap();
    if (!buffer) return;
    const QRect r = rect.intersected(buffer->rect());
    if (r.isEmpty()) return;
    for (int step = 0; step < steps; ++step) {
        const QImage before = buffer->copy(r);
        for (int y = 0; y < r.height(); ++y) {
            auto* out = reinterpret_cast<QRgb*>(buffer->scanLine(r.top() + y)) + r.left();
            for (int x = 0; x < r.width(); ++x) {
                int sums[4] = {0, 0, 0, 0};
                for (int dy = -1; dy <= 1; ++dy) {
                    const auto* row = reinterpret_cast<const QRgb*>(before.constScanLine(std::clamp(y + dy, 0, r.height() - 1)));
                    for (int dx = -1; dx <= 1; ++dx) {
                        const QRgb p = row[std::clamp(x + dx, 0, r.width() - 1)];
                        sums[0] += qRed(p), sums[1] += qGreen(p), sums[2] += qBlue(p), sums[3] += qAlpha(p);
                    }
                }
                out[x] = qRgba(sums[0] / 9, sums[1] / 9, sums[2] / 9, sums[3] / 9);
            }
        }
    }
}
