# jrl_add_python_module(<target> DESTINATION <dir> [OUTPUT_NAME <name>]
#                       SOURCES <source>...)
#
# A CPython extension module on the limited API (3.9 and newer, so that one
# abi3 wheel serves every supported interpreter) over the jrl library, with
# the CPython helpers both modules share. Only its PyInit_ function is
# exported, none of the static core's symbols. Installed into <dir> of the
# wheel. The caller has found Python with its stable-ABI component.
include_guard(GLOBAL)

function(jrl_add_python_module target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESTINATION;OUTPUT_NAME" "SOURCES")
  # USE_SABI defines Py_LIMITED_API=0x03090000 and names the module
  # <name>.abi3.so.
  Python_add_library(${target} MODULE USE_SABI 3.9 WITH_SOABI ${arg_SOURCES})
  target_link_libraries(${target} PRIVATE jrl::jrl)
  target_include_directories(${target} PRIVATE
    ${PROJECT_SOURCE_DIR}/python/cpython)
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(arg_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${arg_OUTPUT_NAME})
  endif()
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL)
  endif()
  install(TARGETS ${target} LIBRARY DESTINATION ${arg_DESTINATION})
endfunction()
