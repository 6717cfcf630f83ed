# Writes INPUT as a byte array named SYMBOL (namespace velmora) into OUTPUT.
# Run as: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P EmbedText.cmake
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n\n"
  "namespace velmora {\n\n"
  "extern const char ${SYMBOL}[];\n"
  "extern const std::size_t ${SYMBOL}Size;\n\n"
  "const char ${SYMBOL}[] = {\n  ${bytes}'\\0'};\n"
  "const std::size_t ${SYMBOL}Size = ${byteCount};\n\n"
  "}  // namespace velmora\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
