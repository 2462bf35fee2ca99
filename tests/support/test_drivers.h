#pragma once

#include <QString>

#include <vector>

// The database drivers the storage suites run against. ctest runs each such
// suite once per driver (QUORVEL_TEST_DRIVERS in tests/CMakeLists.txt), naming
// it in the environment variable QUORVEL_TEST_DRIVER; without it the first
// driver runs. Adding a driver: one entry here and its name in that list.
struct TestDriver {
    const char* name;
    // Makes an empty question bank from the schema at path (a file, or a
    // name the driver makes of it) and returns its connection string.
    QString (*createBank)(const QString& path);
    // Runs SQL on the bank through a link of its own, as another program would.
    void (*exec)(const QString& connectionString, const QString& sql);
    // The first value of a query's first row as text ("" for null or no
    // row), through a link of its own.
    QString (*text)(const QString& connectionString, const QString& sql);
};

const std::vector<TestDriver>& testDrivers();
// The driver this run tests; fails the run when QUORVEL_TEST_DRIVER names none.
const TestDriver& testDriver();
