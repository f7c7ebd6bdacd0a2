# Turns a text file into a C++ source that defines one string constant with its bytes.
file(READ ${INPUT} content HEX)
string(LENGTH "${content}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
file(WRITE ${OUTPUT}
  "// Generated from ${INPUT}; do not edit.\n#include <cstddef>\n"
  "extern const char ${SYMBOL}[];\nextern const std::size_t ${SYMBOL}_size;\n"
  "const char ${SYMBOL}[] = {${bytes}'\\0'};\n"
  "const std::size_t ${SYMBOL}_size = ${size};\n")
