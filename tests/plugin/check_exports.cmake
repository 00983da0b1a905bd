# Fails unless the library file exports exactly the plug-in's seven functions.
# -D NM=<nm> -D LIBRARY=<file>
execute_process(COMMAND ${NM} -D --defined-only --format=posix ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "(^|\n)[^ \n]+ [TtDdBbRrWwVvi] " entries "${listing}")
set(names)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\n?([^ ]+) .*" "\\1" name "${entry}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected MQCheckVersion MQEnumString MQGetPlugInID MQGetPlugInName MQGetPlugInType MQInit MQModifyObject)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${LIBRARY} exports [${names}], expected exactly [${expected}]")
endif()
message(STATUS "${LIBRARY} exports exactly: ${names}")
