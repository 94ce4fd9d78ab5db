#pragma once
// The editor forms by class name. Series, functions, tools, data sources, shapes and canvases
// answer the class name of their editor form (GetEditorClassName and the like); the chart
// editor's pages and every series, function, tool, source, shape and canvas editor are made
// from that name through this registry, never by naming the class in the code that shows them.
//
// Contract:
//  - Every editor module registers each of its forms in its start-up (RegisterEditorFormClass)
//    and unregisters them in its shutdown, so the registry holds exactly the forms of the
//    modules that run.
//  - Names are matched without regard to case. Registering a name again replaces the creator
//    (and the table): the last registration wins.
//  - An unknown name gives none: FindEditorFormClass answers null and CreateEditorFormByName
//    makes nothing; callers then show no editor.
//  - The creator makes a form owned by the widget it is given (the form is freed with it; no
//    owner: the caller frees it). The form is neither shown nor bound to an object.
//  - A form given with its control table has the table registered for the walk that checks
//    every form of the program (accessible names, places, bound properties).
#include <string>
#include <vector>

class QWidget;
class TDuvEditorForm;
struct TControlTable;

using TEditorFormCreator = TDuvEditorForm* (*)(QWidget* owner);

struct TEditorFormClass {
    std::string Name;
    TEditorFormCreator Create = nullptr;
    const TControlTable* Table = nullptr;
};

void RegisterEditorFormClass(const std::string& name, TEditorFormCreator creator, const TControlTable* table = nullptr);
void UnregisterEditorFormClass(const std::string& name);
// Valid until the registry changes.
const TEditorFormClass* FindEditorFormClass(const std::string& name);
TDuvEditorForm* CreateEditorFormByName(const std::string& name, QWidget* owner);
// Every registered form, in registration order.
std::vector<TEditorFormClass> RegisteredEditorFormClasses();

// The creator of a form class whose constructor takes the owner.
template <class F>
TDuvEditorForm* CreateEditorFormOf(QWidget* owner)
{
    return new F(owner);
}
