#include <gtest/gtest.h>

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QUrl>
#include <QWidget>

#include "chart/engine/widgets/DuvProcsWidgets.h"
#include "platform/core/Registry.h"

namespace {

const char* const PlacementKey = "Software\\ORU\\QuellbrookTests\\Placement";

void WritePlacement(const std::vector<std::pair<std::string, int>>& values)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    registry.DeleteKey(PlacementKey);
    ASSERT_TRUE(registry.OpenKey(PlacementKey, true));
    for (const auto& [name, value] : values) registry.WriteInteger(name, value);
}

// Takes the URLs the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.push_back(url); }
};

}  // namespace

TEST(DuvProcsWidgets, FormPlacementRoundTrip)
{
    QWidget saved;
    saved.move(120, 80);
    saved.resize(300, 200);
    SaveFormPlacement(&saved, PlacementKey, true, true);
    QWidget loaded;
    loaded.move(5, 5);
    loaded.resize(150, 150);
    LoadFormPlacement(&loaded, PlacementKey, true, true);
    EXPECT_EQ(loaded.pos(), QPoint(120, 80));
    EXPECT_EQ(loaded.size(), QSize(300, 200));
    EXPECT_FALSE(loaded.isMaximized());
    QWidget sizeOnly;
    sizeOnly.move(7, 9);
    LoadFormPlacement(&sizeOnly, PlacementKey, false, true);
    EXPECT_EQ(sizeOnly.pos(), QPoint(7, 9));
    EXPECT_EQ(sizeOnly.size(), QSize(300, 200));
}

TEST(DuvProcsWidgets, FormPlacementCorrections)
{
    const TSize screen = GetScreenExtent();
    ASSERT_GT(screen.cx, 400);
    struct Case {
        std::vector<std::pair<std::string, int>> values;
        QPoint pos;
        QSize size;
    };
    const Case cases[] = {
        {{{"Left", -40}, {"Top", -3}, {"Width", 50}, {"Height", 120}}, {0, 0}, {100, 120}},
        {{{"Left", screen.cx + 500}, {"Top", screen.cy}, {"Width", 200}, {"Height", 150}},
         {screen.cx - 200, screen.cy - 150}, {200, 150}},  // saved on a larger screen
        {{{"Top", 40}, {"Width", 220}}, {10, 10}, {220, 160}},  // no Left: the position stays
    };
    for (const Case& c : cases) {
        WritePlacement(c.values);
        QWidget form;
        form.move(10, 10);
        form.resize(180, 160);
        LoadFormPlacement(&form, PlacementKey, true, true);
        EXPECT_EQ(form.pos(), c.pos) << c.values.front().first << "=" << c.values.front().second;
        EXPECT_EQ(form.size(), c.size);
    }
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    registry.DeleteKey(PlacementKey);
    QWidget untouched;
    untouched.move(33, 44);
    LoadFormPlacement(&untouched, PlacementKey, true, true);
    EXPECT_EQ(untouched.pos(), QPoint(33, 44));
}

TEST(DuvProcsWidgets, MaximizedWindowKeepsItsNormalPlacement)
{
    WritePlacement({{"Left", 50}, {"Top", 60}, {"Width", 400}, {"Height", 300}});
    QWidget form;
    form.setWindowState(Qt::WindowMaximized);
    SaveFormPlacement(&form, PlacementKey, true, true);
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly(PlacementKey));
    EXPECT_TRUE(registry.ReadBool("Maximized"));
    EXPECT_EQ(registry.ReadInteger("Left"), 50);
    EXPECT_EQ(registry.ReadInteger("Width"), 400);
    QWidget loaded;
    LoadFormPlacement(&loaded, PlacementKey, true, true);
    EXPECT_TRUE(loaded.windowState() & Qt::WindowMaximized);
}

TEST(DuvProcsWidgets, ControlsEnabledAndFreed)
{
    QWidget parent;
    auto* a = new QLabel("a", &parent);
    auto* b = new QLabel("b", &parent);
    new QLabel("inner", a);
    auto* keep = new QObject(&parent);
    SetControlsEnabled(false, {a, nullptr, b});
    EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(b->isEnabled());
    SetControlsEnabled(true, {b});
    EXPECT_TRUE(b->isEnabled());
    FreeChildControls(&parent);
    EXPECT_TRUE(parent.findChildren<QWidget*>().isEmpty());
    EXPECT_EQ(keep->parent(), &parent);  // only controls go
    FreeChildControls(nullptr);
}

TEST(DuvProcsWidgets, ScreenCursorAndMouse)
{
    ChangeScreenCursor(Qt::WaitCursor);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ChangeScreenCursor(Qt::PointingHandCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    ChangeScreenCursor(Qt::ArrowCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // one change, one level
    QWidget form;
    form.move(100, 50);
    form.resize(200, 200);
    QCursor::setPos(130, 90);
    const TPoint expected{form.mapFromGlobal(QCursor::pos()).x(), form.mapFromGlobal(QCursor::pos()).y()};
    EXPECT_EQ(MousePosInControl(&form), expected);
}

TEST(DuvProcsWidgets, OpenWithShellHandsDocumentsAndAddressesToTheDesktop)
{
    UrlCatcher catcher;
    for (const char* scheme : {"file", "http", "ftp"}) QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    EXPECT_TRUE(OpenWithShell(nullptr, "/tmp/report č.pdf"));
    EXPECT_TRUE(OpenWithShell(nullptr, "notes.txt"));
    EXPECT_TRUE(OpenWithShell(nullptr, " http://example.org/a?b=1 "));
    EXPECT_TRUE(OpenWithShell(nullptr, "ftp://host/file"));
    EXPECT_FALSE(OpenWithShell(nullptr, ""));
    for (const char* scheme : {"file", "http", "ftp"}) QDesktopServices::unsetUrlHandler(scheme);
    ASSERT_EQ(catcher.urls.size(), 4u);
    EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile("/tmp/report č.pdf"));
    EXPECT_EQ(catcher.urls[1], QUrl::fromLocalFile(QDir::current().absoluteFilePath("notes.txt")));
    EXPECT_EQ(catcher.urls[2], QUrl("http://example.org/a?b=1"));
    EXPECT_EQ(catcher.urls[3], QUrl("ftp://host/file"));
}

#include "test_DuvProcsWidgets.moc"
