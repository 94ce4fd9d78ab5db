#include "chart/output/widgets/DuvCommaBar.h"

#include <QBitmap>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvFont.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"

namespace {

constexpr int kGlyphSize = 24;

}  // namespace

QIcon CommanderGlyph(const std::string& name)
{
    QPixmap both(QStringLiteral(":/rcdata/") + QString::fromStdString(name));
    if (both.isNull()) return {};
    // The colour of the corner pixel is see-through. A bitmap mask hides its set bits, so the
    // corner colour is the one "masked in".
    const QImage image = both.toImage();
    both.setMask(QBitmap::fromImage(image.createMaskFromColor(image.pixel(0, 0), Qt::MaskInColor)));
    QIcon icon;
    icon.addPixmap(both.copy(0, 0, kGlyphSize, kGlyphSize), QIcon::Normal);
    icon.addPixmap(both.copy(kGlyphSize, 0, kGlyphSize, kGlyphSize), QIcon::Disabled);
    return icon;
}

TDuvCommanderBar::TDuvCommanderBar(QWidget* parent)
    : QWidget(parent), commander_(MakeComponent<TDuvCommander>(nullptr))
{
    setObjectName("DuvCommander1");
    setAccessibleName("Chart toolbar");
    commander_->SetName("DuvCommander1");
    resize(commander_->Width(), commander_->Height());
    setMinimumHeight(commander_->Height());
    commander_->OnControlsChanged = [this] { Synchronize(); };
    Synchronize();
}

TDuvCommanderBar::~TDuvCommanderBar() { commander_->OnControlsChanged = nullptr; }

QWidget* TDuvCommanderBar::ControlWidget(int code) const
{
    for (std::size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i]->Code == code && shown_[i]->Kind != TCommanderControlKind::ckSeparator) return widgets_[i];
    return nullptr;
}

void TDuvCommanderBar::Rebuild()
{
    for (QWidget* widget : widgets_) delete widget;
    widgets_.clear();
    shown_.clear();
    for (const auto& owned : commander_->Controls()) {
        const TCommanderControl& control = *owned;
        QWidget* widget = nullptr;
        switch (control.Kind) {
        case TCommanderControlKind::ckSeparator: {
            auto* line = new QFrame(this);
            line->setFrameShadow(QFrame::Sunken);
            widget = line;
            break;
        }
        case TCommanderControlKind::ckLabel: {
            auto* label = Named(new QLabel(this), "LabelValues", "Value");
            QFont font(QString::fromStdString(DefaultFontName));
            font.setPointSize(DefaultFontSize);
            label->setFont(font);
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, ToQColor(kCommanderLabelColor));
            label->setPalette(palette);
            label->setAttribute(Qt::WA_TranslucentBackground);
            widget = label;
            break;
        }
        case TCommanderControlKind::ckButton: {
            auto* button = Named(new QToolButton(this), ("Button" + control.Hint).c_str(), QText(control.Hint));
            button->setAutoRaise(true);
            button->setToolTip(QText(control.Hint));
            button->setIcon(CommanderGlyph(control.Glyph));
            button->setIconSize(QSize(kGlyphSize, kGlyphSize));
            button->setCheckable(control.GroupIndex != 0);
            const int code = control.Code;
            connect(button, &QToolButton::clicked, this, [this, code] {
                RunHandler([&] { commander_->ClickButton(code); });
                Synchronize();
            });
            widget = button;
            break;
        }
        }
        shown_.push_back(&control);
        widgets_.push_back(widget);
    }
}

void TDuvCommanderBar::Synchronize()
{
    const auto& controls = commander_->Controls();
    bool same = controls.size() == shown_.size();
    for (std::size_t i = 0; same && i < controls.size(); ++i) same = controls[i].get() == shown_[i];
    if (!same) Rebuild();
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        const TCommanderControl& control = *shown_[i];
        QWidget* widget = widgets_[i];
        if (auto* line = dynamic_cast<QFrame*>(widget); line && control.Kind == TCommanderControlKind::ckSeparator)
            line->setFrameShape(control.Width > control.Height ? QFrame::HLine : QFrame::VLine);
        if (auto* label = dynamic_cast<QLabel*>(widget)) {
            label->setText(QText(control.Caption));
            label->adjustSize();
            label->move(control.Left, control.Top);
        } else {
            widget->setGeometry(control.Left, control.Top, control.Width, control.Height);
        }
        if (auto* button = dynamic_cast<QToolButton*>(widget)) {
            const QSignalBlocker quiet(button);
            button->setChecked(control.Down);
        }
        widget->setEnabled(control.Enabled);
        widget->setVisible(control.Visible);
    }
}

void TDuvCommanderBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const TRect r{0, 0, width(), height()};
    TDuvGradient* gradient = commander_->PeekGradient();
    if (!gradient || !gradient->Visible()) {
        painter.fillRect(rect(), palette().window());
        return;
    }
    TDuvCanvas3D canvas;
    canvas.SetCanvas(&painter);
    gradient->Draw(canvas, r);
    canvas.SetCanvas(nullptr);
}

void TDuvCommanderBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    commander_->SetBounds(x(), y(), width(), height());
}
