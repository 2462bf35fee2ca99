#pragma once

#include <QString>

namespace storage {

// Where the database lives: beside the executable, named after it.
struct DatabaseLocation {
    QString programFolder;     // folder with its trailing separator
    QString databaseFileName;  // executable name less its last four characters, + ".mdb"
};

// Applies the name rule to an executable's full path. The four characters are
// cut by count: "Quorvel" gives "Quo.mdb"; a name of four characters or fewer
// gives an empty name.
DatabaseLocation locateDatabase(const QString& executablePath);

// "Provider=...;Data Source=<path>;Persist Security Info=False", unquoted.
QString connectionString(const QString& databasePath);

// Reads the Data Source back out of a connection string. Throws storage::Error
// when the string cannot be parsed (a path with a semicolon breaks it).
QString dataSourceOf(const QString& connectionString);

// Whether a file begins as an Access database does: bytes 0-3 are 00 01 00 00
// and "Standard Jet DB" or "Standard ACE DB" follows from byte 4. Such files
// cannot be read here yet; callers say so instead of "not a database".
bool isAccessDatabase(const QString& path);

class PartFile;

// Creates a new, empty database file from the supplied schema. Fails if a file
// already exists at the path. The file is made beside the path and takes its
// name when complete: a failure (a full disk) leaves no file of that name.
void createDatabase(const QString& path);
// Makes the empty part a database from the schema, to be filled further
// before the part takes its target's name.
void createDatabase(PartFile& part);

// The schema text.
const char* schemaSql();

}  // namespace storage
