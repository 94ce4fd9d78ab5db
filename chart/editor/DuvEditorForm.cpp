#include "chart/editor/DuvEditorForm.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <cmath>

#include "chart/engine/DuvProcs.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/Application.h"

// ---------------------------------------------------------------- TEditorBackup

TEditorBackup::~TEditorBackup() { Clear(); }

void TEditorBackup::Take(TPersistent* object)
{
    Clear();
    if (!object) return;
    copy_ = object->ClassType().Create(nullptr);
    copy_->Assign(object);
    object_ = object;
}

void TEditorBackup::Restore()
{
    if (copy_ && object_) object_->Assign(copy_);
}

void TEditorBackup::Clear()
{
    if (auto* component = dynamic_cast<TComponent*>(copy_))
        component->Free();
    else
        delete copy_;
    copy_ = nullptr;
    object_ = nullptr;
}

// ---------------------------------------------------------------- TDuvEditorForm

namespace {
int ScreenPixelsPerInch()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchY())) : 96;
}

int Scaled(int value, int multiplier, int divider)
{
    return static_cast<int>(std::lround(static_cast<double>(value) * multiplier / divider));
}

void CentreOver(QWidget* window, const QRect& area)
{
    const QSize frame = window->frameGeometry().size();
    window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
}
}  // namespace

TDuvEditorForm::TDuvEditorForm(QWidget* owner) : QDialog(owner), PixelsPerInch(ScreenPixelsPerInch())
{
    tagComponent_.OnGone = [this](TComponent*) {
        // The object went elsewhere: nothing may write to it any more.
        if (backup_.Copy()) backup_.Clear();
        tag_ = nullptr;
        if (binder_) binder_->Bind(nullptr);
    };
}

TDuvEditorForm::~TDuvEditorForm()
{
    if (OnDestroy) OnDestroy(this);
}

void TDuvEditorForm::SetTag(TPersistent* object)
{
    tag_ = object;
    tagComponent_.Set(dynamic_cast<TComponent*>(object));
}

void TDuvEditorForm::RefreshControls(TPersistent* object)
{
    SetTag(object);
    LoadUnderFlag();
}

void TDuvEditorForm::LoadUnderFlag()
{
    ++loading_;
    const TScopeGuard done([this] { --loading_; });
    LoadControls();
}

void TDuvEditorForm::LoadControls()
{
    if (!binder_) return;
    if (binder_->Object() != tag_)
        binder_->Bind(tag_);
    else
        binder_->Refresh();
}

void TDuvEditorForm::FormShow()
{
    if (RestoresOnCancel) backup_.Take(tag_);
    LoadUnderFlag();
    TranslateControl(this);
}

void TDuvEditorForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;  // the desktop mapped it again: nothing new to load
    if (isWindow()) {
        QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        if (Position == poMainFormCenter && Application()) owner = Application()->MainForm();
        const bool overOwner = (Position == poOwnerFormCenter || Position == poMainFormCenter) && owner;
        if (overOwner)
            CentreOver(this, owner->frameGeometry());
        else if (Position != poDesigned && Position != poDefault && screen())
            CentreOver(this, screen()->availableGeometry());
    }
    RunHandler([this] { FormShow(); });
}

int TDuvEditorForm::ShowModal()
{
    modalResult_ = mrNone;
    running_ = true;
    const TScopeGuard ended([this] { running_ = false; });
    exec();
    return modalResult_;
}

void TDuvEditorForm::SetModalResult(int result)
{
    modalResult_ = result;
    if (result != mrNone && running_) done(result);
}

void TDuvEditorForm::done(int result)
{
    modalResult_ = result;
    bool canClose = true;
    RunHandler([&] { canClose = FormCloseQuery(); });
    if (!canClose) {
        modalResult_ = mrNone;
        return;
    }
    if (result == mrCancel && RestoresOnCancel) backup_.Restore();
    QDialog::done(result);
}

void TDuvEditorForm::reject() { done(mrCancel); }

void TDuvEditorForm::SetAlign(TAlign value)
{
    align_ = value;
    FitParent();
}

void TDuvEditorForm::FitParent()
{
    QWidget* parent = parentWidget();
    if (!parent || isWindow()) return;
    // One filter per parent: installing again moves it to the front of the list only.
    parent->installEventFilter(this);
    if (align_ == alClient) setGeometry(parent->rect());
}

bool TDuvEditorForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && align_ == alClient && !isWindow())
        setGeometry(parentWidget()->rect());
    return QDialog::eventFilter(watched, event);
}

void TDuvEditorForm::ScaleBy(int multiplier, int divider)
{
    if (divider == 0 || multiplier == divider) return;
    // Fonts are sized in points, which the toolkit already draws at the screen's resolution.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->isWindow()) continue;
        const QRect g = child->geometry();
        child->setGeometry(Scaled(g.x(), multiplier, divider), Scaled(g.y(), multiplier, divider),
                           Scaled(g.width(), multiplier, divider), Scaled(g.height(), multiplier, divider));
    }
    resize(Scaled(width(), multiplier, divider), Scaled(height(), multiplier, divider));
}

QSize TDuvEditorForm::FrameSize() const { return isWindow() ? frameGeometry().size() : size(); }

void TDuvEditorForm::SetFrameBounds(int left, int top, int width, int height)
{
    const QSize border = FrameSize() - size();  // none before the desktop framed the window
    move(left, top);
    resize(width - border.width(), height - border.height());
}

void TDuvEditorForm::BuildControls(const TControlTable& table)
{
    built_ = BuildForm(this, table);
    binder_ = std::make_unique<TFormBinder>(built_);
}
