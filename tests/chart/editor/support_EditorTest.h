#pragma once
// Start-up of the editor tests: every chart module up to the editor, once per test program, as
// the program starts them.

namespace editortest {

void StartEditorModules();

}  // namespace editortest
