#include "storage/driver.h"

#include "storage/sqlite/sqlite_database.h"

namespace storage::driver {

// Every connection string so far names a database file ("Data Source=...").
std::unique_ptr<Database> forConnectionString(const QString& connectionString) {
    (void)connectionString;
    return sqlite::makeDatabase();
}

}  // namespace storage::driver
