#pragma once
// Classes that streams may name, found by name without regard to case. Modules register their
// classes explicitly at start-up (in the documented module order) and unregister them at the end;
// a stream naming an unregistered class cannot create it.
#include <string>
#include <vector>

class TClassInfo;

void RegisterClass(const TClassInfo& info);  // registering the same class twice is harmless
void RegisterClasses(const std::vector<const TClassInfo*>& infos);
void UnregisterClass(const TClassInfo& info);
const TClassInfo* GetClass(const std::string& name);  // nullptr when not registered
const TClassInfo& FindClass(const std::string& name);  // raises EClassNotFound "Class X not found"
std::vector<std::string> RegisteredClassNames();      // sorted
