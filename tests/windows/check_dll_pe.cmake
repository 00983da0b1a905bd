# Checks a built plug-in file as the host's loader will see it, from
# `objdump -p`: a 32-bit x86 DLL, exporting exactly the seven plug-in names as
# written (no @N stdcall decoration, no leading underscore, no extra names or
# nameless ordinals), importing only DLLs every Windows system has.
#
#   cmake -DOBJDUMP=<i686 objdump> -DDLL=<file> -P check_dll_pe.cmake
#
# Every problem found is reported, then the script fails.
cmake_minimum_required(VERSION 3.25)

set(expected_exports
  MQCheckVersion MQEnumString MQGetPlugInID MQGetPlugInName MQGetPlugInType MQInit MQModifyObject)
# Anything else, a libstdc++, libgcc or winpthread DLL above all, would have to
# be shipped beside the plug-in and found by the host's loader.
set(system_dll_pattern "^(KERNEL32|msvcrt|api-ms-win-crt-[a-z0-9-]+)\\.dll$")

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${status})")
endif()

set(problems "")

if(NOT dump MATCHES "file format pei-i386\n")
  list(APPEND problems "not an i386 PE file")
endif()
if(NOT dump MATCHES "\nMagic[\t ]+010b[\t ]+\\(PE32\\)")
  list(APPEND problems "optional header is not PE32")
endif()
# The Characteristics flags, one per line, up to the first blank line.
if(dump MATCHES "\nCharacteristics 0x[0-9a-fA-F]+\n(([\t ]+[^\n]+\n)+)")
  set(flags "${CMAKE_MATCH_1}")
  if(NOT flags MATCHES "\n?[\t ]+DLL\n")
    list(APPEND problems "not marked as a DLL")
  endif()
  if(NOT flags MATCHES "[\t ]+32 bit words\n")
    list(APPEND problems "not marked as 32-bit")
  endif()
else()
  list(APPEND problems "no Characteristics in the header dump")
endif()

string(REGEX MATCHALL "\n[\t ]*DLL Name: [^\n]+" import_lines "${dump}")
if(NOT import_lines)
  list(APPEND problems "imports nothing at all (unreadable dump?)")
endif()
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "^\n[\t ]*DLL Name: " "" name "${line}")
  string(STRIP "${name}" name)
  if(NOT name MATCHES "${system_dll_pattern}")
    list(APPEND problems "imports ${name}")
  endif()
endforeach()

# Names as listed under the export name table, one "[ i] name" line each.
set(exports "")
if(dump MATCHES "\n\\[Ordinal/Name Pointer\\] Table\n(([\t ]*\\[ *[0-9]+\\] [^\n]+\n)*)")
  # Straight to a list: brackets left in list elements would hide the separators.
  string(REGEX REPLACE "[\t ]*\\[ *[0-9]+\\] ([^\n]+)\n" "\\1;" exports "${CMAKE_MATCH_1}")
  list(FILTER exports EXCLUDE REGEX "^$")
endif()
foreach(name IN LISTS exports)
  if(NOT name IN_LIST expected_exports)
    list(APPEND problems "unexpected export ${name}")
  endif()
endforeach()
foreach(name IN LISTS expected_exports)
  if(NOT name IN_LIST exports)
    list(APPEND problems "missing export ${name}")
  endif()
endforeach()
# An entry reachable only by ordinal has no name above but still counts here.
list(LENGTH expected_exports expected_count)
if(dump MATCHES "\n[\t ]*Export Address Table[\t ]+([0-9a-fA-F]+)\n")
  math(EXPR address_count "0x${CMAKE_MATCH_1}")
  if(NOT address_count EQUAL expected_count)
    list(APPEND problems "${address_count} exported entry points instead of ${expected_count}")
  endif()
else()
  list(APPEND problems "no export table")
endif()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "${DLL}:\n  ${text}")
endif()
message(STATUS "${DLL}: PE32 i386 DLL, the seven exports, system imports only")
