# Build steps that turn a text file into a C++ source (through
# embed_text.cmake) returning its bytes, so nothing reads files at run time.
# Both the main build and the fuzz build use them.
set(JRL_EMBED_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

# jrl_embed_text(<out_var> <input> <namespace> <function> <header>): adds the
# step for <input> and sets <out_var> to the generated source's path, for the
# caller to compile. The source defines `std::string_view <function>()` in
# <namespace>, declared in <header>.
function(jrl_embed_text out_var input namespace function header)
  get_filename_component(name ${input} NAME_WE)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/generated/${name}_text.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND}
            -DINPUT=${input} -DOUTPUT=${output}
            -DNAMESPACE=${namespace} -DFUNCTION=${function}
            -DHEADER=${header}
            -P ${JRL_EMBED_ROOT}/cmake/embed_text.cmake
    DEPENDS ${input} ${JRL_EMBED_ROOT}/cmake/embed_text.cmake
    COMMENT "Embedding ${name}")
  set(${out_var} ${output} PARENT_SCOPE)
endfunction()

# jrl_embed_departments(<out_var>): the department registry's text.
function(jrl_embed_departments out_var)
  jrl_embed_text(departments_cpp
    ${JRL_EMBED_ROOT}/libjrl/src/wexmoor_departments/departments.txt
    jrl::wexmoor_departments departments_source
    wexmoor_departments/wexmoor_departments.hpp)
  set(${out_var} ${departments_cpp} PARENT_SCOPE)
endfunction()
