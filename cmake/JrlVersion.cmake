# jrl_configure_version(<include_dir_var>): writes jrl/version.hpp, holding
# the project's version as jrl::VERSION, into the build tree and sets
# <include_dir_var> to the directory to add to the include path. The version
# is the one project() declares in the top-level CMakeLists.txt (which the
# Python package's metadata reads too); builds of their own, such as the fuzz
# build, read it from there.
set(JRL_VERSION_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

function(jrl_configure_version out_var)
  if(DEFINED libjrl_VERSION)
    set(JRL_VERSION ${libjrl_VERSION})
  else()
    file(STRINGS ${JRL_VERSION_ROOT}/CMakeLists.txt project_line
         REGEX "^project\\(libjrl VERSION [0-9.]+")
    string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" JRL_VERSION "${project_line}")
  endif()
  if(NOT JRL_VERSION)
    message(FATAL_ERROR "jrl: no project version found")
  endif()
  set(include_dir ${CMAKE_CURRENT_BINARY_DIR}/generated/include)
  configure_file(${JRL_VERSION_ROOT}/cmake/version.hpp.in
                 ${include_dir}/jrl/version.hpp @ONLY)
  set(${out_var} ${include_dir} PARENT_SCOPE)
endfunction()
