#include "chart/editor/DuvFormRegistry.h"

#include <algorithm>

#include "chart/editor/DuvEditorForm.h"
#include "platform/core/StringList.h"
#include "platform/ui/FormTable.h"

namespace {
std::vector<TEditorFormClass>& Classes()
{
    static std::vector<TEditorFormClass> classes;
    return classes;
}

std::vector<TEditorFormClass>::iterator Entry(const std::string& name)
{
    auto& classes = Classes();
    return std::find_if(classes.begin(), classes.end(),
                        [&](const TEditorFormClass& entry) { return SameText(entry.Name, name); });
}
}  // namespace

void RegisterEditorFormClass(const std::string& name, TEditorFormCreator creator, const TControlTable* table)
{
    if (table) RegisterControlTable(*table);
    if (auto found = Entry(name); found != Classes().end()) {
        found->Create = creator;
        found->Table = table;
        return;
    }
    Classes().push_back({name, creator, table});
}

void UnregisterEditorFormClass(const std::string& name)
{
    if (auto found = Entry(name); found != Classes().end()) Classes().erase(found);
}

const TEditorFormClass* FindEditorFormClass(const std::string& name)
{
    auto found = Entry(name);
    return found == Classes().end() ? nullptr : &*found;
}

TDuvEditorForm* CreateEditorFormByName(const std::string& name, QWidget* owner)
{
    const TEditorFormClass* entry = FindEditorFormClass(name);
    return entry && entry->Create ? entry->Create(owner) : nullptr;
}

std::vector<TEditorFormClass> RegisteredEditorFormClasses() { return Classes(); }
