# Writes the definition of Version::current for this build: the build time,
# the builder, the target processor and the tree's identity from git. A tagged
# commit gives its tag; otherwise the tag is made from the build time
# ("T" yymmdd "-" hhmm) and the label carries git's description of the tree.
# Without git or tags the build still succeeds. The file is rewritten only
# when its text changes, so a rebuild within the same minute compiles nothing.
#
# Inputs: OUT (file to write), SRC (the source tree), TARGET (processor).

string(TIMESTAMP build_time "%Y-%m-%d %H:%M")
string(TIMESTAMP time_tag "T%y%m%d-%H%M")

set(tag "")
set(label "")
find_program(GIT git)
if(GIT)
  execute_process(COMMAND ${GIT} describe --tags --exact-match HEAD
                  WORKING_DIRECTORY ${SRC} OUTPUT_VARIABLE tag RESULT_VARIABLE tag_rc
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT tag_rc EQUAL 0)
    set(tag "")
  endif()
  execute_process(COMMAND ${GIT} describe --tags --always --dirty
                  WORKING_DIRECTORY ${SRC} OUTPUT_VARIABLE label RESULT_VARIABLE label_rc
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT label_rc EQUAL 0)
    set(label "")
  endif()
endif()
if(tag STREQUAL "")
  set(tag "${time_tag}")
endif()

set(builder "$ENV{USER}")
if(builder STREQUAL "")
  set(builder "$ENV{LOGNAME}")
endif()
if(builder STREQUAL "")
  execute_process(COMMAND id -un OUTPUT_VARIABLE builder OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
endif()

# Texts become C++ string literals.
foreach(var label builder tag TARGET)
  string(REPLACE "\\" "\\\\" ${var} "${${var}}")
  string(REPLACE "\"" "\\\"" ${var} "${${var}}")
endforeach()

set(text "// Written by the build; see config/VersionStamp.cmake.
#include \"config/Version.h\"

const Version Version::current(Version::Snapshot, 0, \"${label}\", \"${builder}\",
                               \"${build_time}\", \"${tag}\", \"${TARGET}\");
")

if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
else()
  set(old "")
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
