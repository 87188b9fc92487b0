# halvox_schema_modules(<var> [OUT <dir>] INCLUDE <path> [CATALOG <file.cpp>]
#                       DESCRIPTIONS <file.asn>...)
# Runs the schema generator over the descriptions, which are checked together. With OUT it
# writes <dir>/<M>.h and <dir>/<M>.cpp for each module M (the file's name), included as
# "<path>/<M>.h"; with CATALOG the list of every type and its record, for the tests that walk
# all types. <var> receives the files written.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(HALVOX_SCHEMA_GENERATOR ${CMAKE_SOURCE_DIR}/schema/generator/generate.py)
file(GLOB HALVOX_SCHEMA_GENERATOR_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/schema/generator/*.py)

function(halvox_schema_modules var)
  cmake_parse_arguments(S "" "OUT;INCLUDE;CATALOG" "DESCRIPTIONS" ${ARGN})
  set(outputs)
  set(options --include-dir ${S_INCLUDE})
  if(S_OUT)
    foreach(description ${S_DESCRIPTIONS})
      get_filename_component(module ${description} NAME_WE)
      list(APPEND outputs ${S_OUT}/${module}.h ${S_OUT}/${module}.cpp)
    endforeach()
    list(APPEND options --out ${S_OUT})
  endif()
  if(S_CATALOG)
    list(APPEND outputs ${S_CATALOG})
    list(APPEND options --catalog ${S_CATALOG})
  endif()
  add_custom_command(OUTPUT ${outputs}
    COMMAND Python3::Interpreter -B ${HALVOX_SCHEMA_GENERATOR} ${options} ${S_DESCRIPTIONS}
    DEPENDS ${S_DESCRIPTIONS} ${HALVOX_SCHEMA_GENERATOR_SOURCES}
    COMMENT "Generating from the ${S_INCLUDE} descriptions"
    VERBATIM)
  set(${var} ${outputs} PARENT_SCOPE)
endfunction()
