#include "chart/engine/widgets/DuvProcsWidgets.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <optional>

#include "chart/engine/DuvProcs.h"
#include "platform/core/Registry.h"

namespace {

// A value of the asked type, else none (missing, or another type in a hand-edited file).
std::optional<int> ReadOptionalInteger(const TRegistry& registry, const std::string& name)
{
    if (!registry.ValueExists(name)) return std::nullopt;
    try {
        return registry.ReadInteger(name);
    } catch (const ERegistryException&) {
        return std::nullopt;
    }
}

}  // namespace

void LoadFormPlacement(QWidget* form, const std::string& key, bool withPosition, bool withSize)
{
    if (!form) return;
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly(key)) return;
    if (withPosition) {
        const std::optional<int> left = ReadOptionalInteger(registry, "Left");
        if (left) {
            const int top = ReadOptionalInteger(registry, "Top").value_or(form->pos().y());
            form->move(std::max(0, *left), std::max(0, top));
        }
    }
    std::optional<int> maximized;
    if (withSize) {
        maximized = ReadOptionalInteger(registry, "Maximized");
        const int width = ReadOptionalInteger(registry, "Width").value_or(form->width());
        const int height = ReadOptionalInteger(registry, "Height").value_or(form->height());
        form->resize(std::max(100, width), std::max(100, height));
    }
    // A placement saved on a larger screen must not leave the window out of sight.
    const TSize screen = GetScreenExtent();
    QPoint pos = form->pos();
    if (pos.x() >= screen.cx) pos.setX(std::max(0, screen.cx - form->width()));
    if (pos.y() >= screen.cy) pos.setY(std::max(0, screen.cy - form->height()));
    if (pos != form->pos()) form->move(pos);
    // Last: resizing a window ends its maximized state.
    if (maximized)
        form->setWindowState(*maximized ? form->windowState() | Qt::WindowMaximized
                                        : form->windowState() & ~Qt::WindowMaximized);
}

void SaveFormPlacement(QWidget* form, const std::string& key, bool withPosition, bool withSize)
{
    if (!form) return;
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (!registry.OpenKey(key, true)) return;
    const bool maximized = form->isMaximized();
    if (withPosition && !maximized) {
        registry.WriteInteger("Left", form->pos().x());
        registry.WriteInteger("Top", form->pos().y());
    }
    if (withSize) {
        if (!maximized) {
            registry.WriteInteger("Width", form->width());
            registry.WriteInteger("Height", form->height());
        }
        registry.WriteBool("Maximized", maximized);
    }
}

void SetControlsEnabled(bool enabled, const std::vector<QWidget*>& controls)
{
    for (QWidget* control : controls)
        if (control) control->setEnabled(enabled);
}

void FreeChildControls(QWidget* control)
{
    if (!control) return;
    while (QWidget* child = control->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) delete child;
}

TSize GetScreenExtent()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QSize size = screen->geometry().size();
    return {size.width(), size.height()};
}

void ChangeScreenCursor(Qt::CursorShape cursor)
{
    if (cursor == Qt::ArrowCursor) {
        while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
        return;
    }
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(QCursor(cursor));
    else
        QGuiApplication::setOverrideCursor(QCursor(cursor));
}

TPoint MousePosInControl(const QWidget* control)
{
    const QPoint pos = control ? control->mapFromGlobal(QCursor::pos()) : QCursor::pos();
    return {pos.x(), pos.y()};
}

bool OpenWithShell(QWidget*, const std::string& documentOrAddress)
{
    const QString text = QString::fromStdString(Trim(documentOrAddress));
    if (text.isEmpty()) return false;
    // Addresses keep their scheme; anything else is a file, relative to the working folder.
    const QUrl url = IsInternetAddress(documentOrAddress) || text.contains("://") || text.startsWith("mailto:")
                         ? QUrl(text)
                         : QUrl::fromLocalFile(QDir::current().absoluteFilePath(text));
    return QDesktopServices::openUrl(url);
}
