#pragma once
// (placeholder until the services land)
#include <string>
std::string ReadEditorString(const std::string& name, const std::string& defaultValue);
void DuvProcsInitialization();
void DuvProcsFinalization();
