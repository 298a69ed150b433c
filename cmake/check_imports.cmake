# Checks that every function an executable imports is in the reviewed list of imports, and that
# none of them is newer than the oldest Windows the list says the program supports. Each problem is
# named on a line of its own.
#   cmake -DEXECUTABLE=.../Selvaro.exe -DOBJDUMP=.../x86_64-w64-mingw32-objdump
#         -DLIST=.../tests/imports.txt -P check_imports.cmake
set(windows_in_order 2000 XP Vista 7 8 8.1 10)

# The list: "oldest WINDOWS", then "DLL FUNCTION WINDOWS" lines; # begins a comment.
file(STRINGS "${LIST}" entries REGEX "^[^#]")
foreach(entry IN LISTS entries)
  string(REGEX MATCHALL "[^ \t]+" fields "${entry}")
  list(LENGTH fields count)
  if(count EQUAL 2)
    list(GET fields 1 oldest)
  elseif(count EQUAL 3)
    list(GET fields 0 dll)
    list(GET fields 1 name)
    list(GET fields 2 windows)
    string(TOUPPER "listed/${dll}/${name}" key)
    set(${key} "${windows}")
  endif()
endforeach()
list(FIND windows_in_order "${oldest}" oldest_index)
if(oldest_index EQUAL -1)
  message(FATAL_ERROR "${LIST} names no oldest Windows among ${windows_in_order}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${EXECUTABLE}" OUTPUT_VARIABLE dump
                RESULT_VARIABLE dumped)
if(NOT dumped EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXECUTABLE} failed")
endif()
# The import tables: a "DLL Name: NAME" line for each DLL, then a line for each function
# (address, hint, name; binutils 2.44 puts the ordinal, "<none>", before the hint, in hexadecimal).
string(REGEX REPLACE ".*\nThe Import Tables[^\n]*\n" "" imports "${dump}")
string(REGEX REPLACE "\nThe [^\n]*\n.*" "" imports "${imports}")
string(REPLACE "\n" ";" lines "${imports}")
set(problems "")
set(imported 0)
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: ([^ \t]+)")
    set(dll "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^\t[0-9a-fA-F]+[ \t]+([^ \t]+[ \t]+)?[0-9a-fA-F]+[ \t]+([^ \t]+)")
    math(EXPR imported "${imported} + 1")
    set(name "${CMAKE_MATCH_2}")
    string(TOUPPER "listed/${dll}/${name}" key)
    set(windows "${${key}}")
    list(FIND windows_in_order "${windows}" index)
    if(windows STREQUAL "")
      string(APPEND problems "\n  ${name} from ${dll}: not in ${LIST}; bind it by name at run "
                             "time, or add it with the oldest Windows that has it")
    elseif(index EQUAL -1)
      string(APPEND problems "\n  ${name} from ${dll}: ${LIST} gives it Windows '${windows}', "
                             "none of ${windows_in_order}")
    elseif(index GREATER oldest_index)
      string(APPEND problems "\n  ${name} from ${dll}: needs Windows ${windows}, newer than "
                             "Windows ${oldest}; bind it by name at run time")
    endif()
  endif()
endforeach()
if(imported EQUAL 0)
  message(FATAL_ERROR "no imports found in ${OBJDUMP}'s account of ${EXECUTABLE}")
endif()
if(NOT problems STREQUAL "")
  message(FATAL_ERROR "${EXECUTABLE} imports what Windows ${oldest} may not have:${problems}")
endif()
message(STATUS "${EXECUTABLE}: all ${imported} imports are in Windows ${oldest}")
