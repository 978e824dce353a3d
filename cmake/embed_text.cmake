# Turns a text file into a C++ source that returns its bytes as a
# std::string_view, so the library needs no file access at run time.
# Inputs: INPUT, OUTPUT, NAMESPACE, FUNCTION, HEADER.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} at build time; do not edit.
#include \"${HEADER}\"

namespace ${NAMESPACE} {
namespace {
constexpr unsigned char EMBEDDED[${byte_count} + 1] = {
    ${bytes}0x00};
}  // namespace

std::string_view ${FUNCTION}() {
  return {reinterpret_cast<const char*>(EMBEDDED), ${byte_count}};
}
}  // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
