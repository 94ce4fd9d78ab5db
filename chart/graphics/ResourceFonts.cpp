#include "chart/graphics/ResourceFonts.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

#include "platform/core/StringList.h"

std::array<int, 2> DigitalFontHandles = {0, 0};
TDigitalFontNamesHook DigitalFontNamesHook = nullptr;

namespace {
struct TDigitalFont {
    const char* Resource;
    const char* Family;
};
constexpr TDigitalFont kDigitalFonts[2] = {{"DUVLCDFONT", "Elektra"}, {"DUVLEDFONT", "DS-Digital"}};
}  // namespace

void ListDigitalFontNames(TStringList& list)
{
    for (const TDigitalFont& font : kDigitalFonts) list.Add(font.Family);
}

int AddResourceFont(const char* resourceName, const char* familyName)
{
    QFile resource(QStringLiteral(":/rcdata/") + QString::fromLatin1(resourceName));
    if (!resource.open(QIODevice::ReadOnly)) return 0;
    const int id = QFontDatabase::addApplicationFontFromData(resource.readAll());
    if (id < 0) return 0;
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    // The free faces carry their own family names; texts ask for the program's names.
    if (!families.isEmpty()) QFont::insertSubstitution(QString::fromLatin1(familyName), families.first());
    return id + 1;
}

void InstallDigitalFonts()
{
    for (std::size_t i = 0; i < DigitalFontHandles.size(); ++i)
        DigitalFontHandles[i] = AddResourceFont(kDigitalFonts[i].Resource, kDigitalFonts[i].Family);
    DigitalFontNamesHook = &ListDigitalFontNames;
}

void RemoveDigitalFonts()
{
    for (std::size_t i = 0; i < DigitalFontHandles.size(); ++i) {
        if (DigitalFontHandles[i] == 0) continue;
        QFontDatabase::removeApplicationFont(DigitalFontHandles[i] - 1);
        QFont::removeSubstitutions(QString::fromLatin1(kDigitalFonts[i].Family));
        DigitalFontHandles[i] = 0;
    }
}

void InstallCustomFonts()
{
    DigitalFontNamesHook = nullptr;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) InstallDigitalFonts();
}

void RemoveCustomFonts()
{
    DigitalFontNamesHook = nullptr;
    if (QCoreApplication::instance()) RemoveDigitalFonts();
}
