#pragma once
// The SQLite virtual-table module "dbf": one dBase table file as an SQLite table whose rowid is
// the record index. Reads skip deleted records; INSERT, UPDATE and DELETE write the file through
// TDbfFile at once (dBase has no transactions), each record checked whole before it is written.
#include <string>

struct sqlite3;

// What CREATE VIRTUAL TABLE ... USING dbf needs: the file it stands for (set just before).
struct TDbfModuleContext {
    std::string PendingPath;
};

void RegisterDbfModule(sqlite3* db, TDbfModuleContext* context);

// The declared column type of a dBase field (CHARACTER(20), NUMERIC(8,2), DATE, BOOLEAN, ...).
std::string DeclaredTypeOfField(char type, int length, int decimals);
