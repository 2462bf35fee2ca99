# Fails when a source of the program reads a number from a field other than
# strictly. Fields offer only the strict read (asKey, asKeyOr: a whole number
# as stored, or a Turkish refusal); this finds the ways around it: a field's
# value or text converted to an integer by Qt, which reads bytes of digits,
# text such as '7b' or a decimal as some number, and a loose reader brought
# back under its old names.
#   cmake -DROOT=<source dir> -P keys_read_strictly.cmake
include(${CMAKE_CURRENT_LIST_DIR}/source_scan.cmake)
set(loose
    "(value|rowValue|storedValue)\\([^;]*\\)\\.to(LongLong|ULongLong|Int|UInt|Long)\\("
    "(asString|displayText)\\([^;]*\\)(\\.trimmed\\(\\))?\\.to(LongLong|ULongLong|Int|UInt|Long)\\("
    "[.>]asInteger\\("
    "integerOf\\(")
sources_matching(found PATTERNS ${loose})
if(found)
  list(JOIN found "\n  " text)
  message(FATAL_ERROR "a number is read from a field without the strict read (Field::asKey, storage::keyOf):\n  ${text}")
endif()
