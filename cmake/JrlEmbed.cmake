# jrl_embed_departments(<out_var>): adds the build step that turns the
# department registry's text into a C++ source (through embed_text.cmake) and
# sets <out_var> to that source's path, for the caller to compile into the
# library. Both the main build and the fuzz build use it.
set(JRL_EMBED_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

function(jrl_embed_departments out_var)
  set(departments_txt ${JRL_EMBED_ROOT}/libjrl/src/wexmoor_departments/departments.txt)
  set(departments_cpp ${CMAKE_CURRENT_BINARY_DIR}/generated/departments_text.cpp)
  add_custom_command(
    OUTPUT ${departments_cpp}
    COMMAND ${CMAKE_COMMAND}
            -DINPUT=${departments_txt} -DOUTPUT=${departments_cpp}
            -DNAMESPACE=jrl::wexmoor_departments -DFUNCTION=departments_source
            -DHEADER=wexmoor_departments/wexmoor_departments.hpp
            -P ${JRL_EMBED_ROOT}/cmake/embed_text.cmake
    DEPENDS ${departments_txt} ${JRL_EMBED_ROOT}/cmake/embed_text.cmake
    COMMENT "Embedding departments.txt")
  set(${out_var} ${departments_cpp} PARENT_SCOPE)
endfunction()
