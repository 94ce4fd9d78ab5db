#include "chart/engine/DuvProcs.h"
std::string ReadEditorString(const std::string&, const std::string& defaultValue) { return defaultValue; }
void DuvProcsInitialization() {}
void DuvProcsFinalization() {}
