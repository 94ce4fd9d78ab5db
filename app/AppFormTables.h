#pragma once
// The form tables of the application windows, registered at start-up.
void RegisterAppFormTables();
