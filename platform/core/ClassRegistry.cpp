#include "platform/core/ClassRegistry.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/core/Properties.h"

namespace {

std::string Key(const std::string& name)
{
    std::string key = name;
    for (char& c : key) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return key;
}

struct Registry {
    std::mutex lock;
    std::map<std::string, const TClassInfo*> classes;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

}  // namespace

void RegisterClass(const TClassInfo& info)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    r.classes[Key(info.Name())] = &info;
}

void RegisterClasses(const std::vector<const TClassInfo*>& infos)
{
    for (const TClassInfo* info : infos) RegisterClass(*info);
}

void UnregisterClass(const TClassInfo& info)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    auto it = r.classes.find(Key(info.Name()));
    if (it != r.classes.end() && it->second == &info) r.classes.erase(it);
}

const TClassInfo* GetClass(const std::string& name)
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    auto it = r.classes.find(Key(name));
    return it == r.classes.end() ? nullptr : it->second;
}

const TClassInfo& FindClass(const std::string& name)
{
    const TClassInfo* info = GetClass(name);
    if (!info) throw EClassNotFound("Class " + name + " not found");
    return *info;
}

std::vector<std::string> RegisteredClassNames()
{
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    std::vector<std::string> names;
    for (const auto& [key, info] : r.classes) names.push_back(info->Name());
    std::sort(names.begin(), names.end());
    return names;
}
