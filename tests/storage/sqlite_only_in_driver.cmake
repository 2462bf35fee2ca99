# Fails when a source of the program outside storage/sqlite/ includes
# sqlite3.h: every other file reaches the database through storage/driver.h.
#   cmake -DROOT=<source dir> -P sqlite_only_in_driver.cmake
include(${CMAKE_CURRENT_LIST_DIR}/source_scan.cmake)
sources_matching(found PATTERNS "^[ \t]*#[ \t]*include[ \t]*[<\"]sqlite3\\.h[>\"]" SKIP storage/sqlite/)
if(found)
  list(JOIN found "\n  " text)
  message(FATAL_ERROR "sqlite3.h is included outside storage/sqlite/:\n  ${text}")
endif()
