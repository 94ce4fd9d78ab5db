#pragma once
// Start-up of the extended series tests: every chart module up to the extended series, once per
// test program, as the program starts them.

namespace seriesexttest {

void StartSeriesExtModules();

}  // namespace seriesexttest
