#pragma once
// Start-up of the tools tests: every chart module up to the tools, once per test program, as the
// program starts them.

namespace toolstest {

void StartToolsModules();

}  // namespace toolstest
