#include "platform/ui/DBNavigator.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include "platform/ui/Application.h"
#include "platform/ui/UiServices.h"

namespace {

constexpr const char* kDefaultHints[kNavButtonCount] = {
    "First record", "Prior record", "Next record", "Last record", "Insert record",
    "Delete record", "Edit record", "Post edit", "Cancel edit", "Refresh data",
};
constexpr const char* kButtonNames[kNavButtonCount] = {
    "nbFirst", "nbPrior", "nbNext", "nbLast", "nbInsert", "nbDelete", "nbEdit", "nbPost", "nbCancel", "nbRefresh",
};
constexpr int kGlyphSize = 16;

QPainterPath Triangle(QPointF tip, double dx)
{
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip.x() + dx, 3);
    path.lineTo(tip.x() + dx, 13);
    path.closeSubpath();
    return path;
}

// The button's picture, drawn in the palette's text colour.
QPainterPath GlyphPath(TNavigateBtn button)
{
    QPainterPath path;
    switch (button) {
    case nbFirst: path.addRect(3, 3, 2, 10); path.addPath(Triangle({6, 8}, 7)); break;
    case nbPrior: path.addPath(Triangle({4, 8}, 7)); break;
    case nbNext: path.addPath(Triangle({12, 8}, -7)); break;
    case nbLast: path.addRect(11, 3, 2, 10); path.addPath(Triangle({10, 8}, -7)); break;
    case nbInsert: path.addRect(7, 3, 2, 10); path.addRect(3, 7, 10, 2); break;
    case nbDelete: path.addRect(3, 7, 10, 2); break;
    case nbEdit: path.moveTo(8, 4); path.lineTo(13, 11); path.lineTo(3, 11); path.closeSubpath(); break;
    case nbPost:
        path.moveTo(2, 8); path.lineTo(4, 6); path.lineTo(7, 9); path.lineTo(12, 3);
        path.lineTo(14, 5); path.lineTo(7, 13); path.closeSubpath();
        break;
    case nbCancel:
        path.moveTo(3, 5); path.lineTo(5, 3); path.lineTo(13, 11); path.lineTo(11, 13); path.closeSubpath();
        path.moveTo(11, 3); path.lineTo(13, 5); path.lineTo(5, 13); path.lineTo(3, 11); path.closeSubpath();
        break;
    case nbRefresh:
        path.arcMoveTo(3, 3, 10, 10, 90);
        path.arcTo(3, 3, 10, 10, 90, 270);
        path.lineTo(13, 5); path.lineTo(9, 1); path.closeSubpath();
        break;
    }
    return path;
}

QPixmap GlyphPixmap(TNavigateBtn button, const QColor& color)
{
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = GlyphPath(button);
    if (button == nbRefresh) painter.strokePath(path, QPen(color, 2));
    else painter.fillPath(path, color);
    return pixmap;
}

// The style's own greying of a dark glyph stays dark, so a disabled button would look usable:
// the disabled picture is drawn in the palette's disabled text colour.
QIcon Glyph(TNavigateBtn button, const QPalette& palette)
{
    QIcon icon(GlyphPixmap(button, palette.color(QPalette::Active, QPalette::ButtonText)));
    icon.addPixmap(GlyphPixmap(button, palette.color(QPalette::Disabled, QPalette::ButtonText)), QIcon::Disabled);
    return icon;
}

// Which buttons may act on the dataset as it stands.
TNavButtonSet EnabledButtons(const TDataLink& link)
{
    if (!link.Active()) return 0;
    const TDataSet& dataSet = *link.DataSet();
    TNavButtonSet enabled = NavButton(nbRefresh);
    if (!dataSet.Bof()) enabled |= NavButtons({nbFirst, nbPrior});
    if (!dataSet.Eof()) enabled |= NavButtons({nbNext, nbLast});
    if (!dataSet.CanModify()) return enabled;
    enabled |= NavButton(nbInsert);
    if (!(dataSet.Bof() && dataSet.Eof())) enabled |= NavButton(nbDelete);
    enabled |= link.Editing() ? NavButtons({nbPost, nbCancel}) : NavButton(nbEdit);
    return enabled;
}

}  // namespace

class TDBNavigator::TNavDataLink : public TDataLink {
public:
    explicit TNavDataLink(TDBNavigator& navigator) : navigator_(navigator) {}

protected:
    void ActiveChanged() override { navigator_.UpdateButtons(); }
    void EditingChanged() override { navigator_.UpdateButtons(); }
    void DataSetChanged() override { navigator_.UpdateButtons(); }

private:
    TDBNavigator& navigator_;
};

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent), link_(std::make_unique<TNavDataLink>(*this))
{
    // The buttons share the width a window gives the navigator; a layout does not stretch it.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kNavButtonCount; ++i) {
        const auto kind = TNavigateBtn(i);
        auto* button = new QToolButton(this);
        button->setObjectName(kButtonNames[i]);
        button->setIcon(Glyph(kind, palette()));
        button->setFocusPolicy(Qt::NoFocus);  // a pending edit stays in its control until the dataset takes it
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        connect(button, &QToolButton::clicked, this, [this, kind] { RunHandler([this, kind] { BtnClick(kind); }); });
        layout->addWidget(button);
        buttons_[i] = button;
    }
    ApplyHints();
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() { link_->SetDataSource(nullptr); }

TDataSource* TDBNavigator::DataSource() const { return link_->DataSource(); }

void TDBNavigator::SetDataSource(TDataSource* source)
{
    link_->SetDataSource(source);
    UpdateButtons();
}

void TDBNavigator::SetVisibleButtons(TNavButtonSet buttons)
{
    visible_ = buttons & nbAllButtons;
    for (int i = 0; i < kNavButtonCount; ++i) buttons_[i]->setVisible(visible_ & NavButton(TNavigateBtn(i)));
}

void TDBNavigator::SetHints(const TStringList& hints)
{
    hints_.Assign(hints);
    ApplyHints();
}

std::string TDBNavigator::Hint(TNavigateBtn button) const
{
    if (button < hints_.Count() && !hints_[button].empty()) return hints_[button];
    return kDefaultHints[button];
}

void TDBNavigator::ApplyHints()
{
    for (int i = 0; i < kNavButtonCount; ++i) {
        const QString hint = QString::fromStdString(Hint(TNavigateBtn(i)));
        buttons_[i]->setToolTip(hint);
        buttons_[i]->setAccessibleName(hint);
    }
}

void TDBNavigator::UpdateButtons()
{
    const TNavButtonSet enabled = EnabledButtons(*link_);
    for (int i = 0; i < kNavButtonCount; ++i) buttons_[i]->setEnabled(enabled & NavButton(TNavigateBtn(i)));
}

void TDBNavigator::BtnClick(TNavigateBtn button)
{
    TDataSet* dataSet = link_->Active() ? link_->DataSet() : nullptr;
    if (!dataSet) return;
    switch (button) {
    case nbFirst: return dataSet->First();
    case nbPrior: return dataSet->Prior();
    case nbNext: return dataSet->Next();
    case nbLast: return dataSet->Last();
    case nbInsert: return dataSet->Insert();
    case nbDelete:
        if (!ConfirmDelete || UiServices().AskOkCancel("Delete record?", mbCancel)) dataSet->Delete();
        return;
    case nbEdit: return dataSet->Edit();
    case nbPost: return dataSet->Post();
    case nbCancel: return dataSet->Cancel();
    case nbRefresh: return dataSet->Refresh();
    }
}
