#pragma once
// The form tables of the statistics windows, registered at start-up.
void RegisterStatsFormTables();
