# Writes a text file as a C++ character array: cmake -DIN=file -DOUT=file.inc -P embed-text.cmake
file(READ ${IN} _hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," _chars "${_hex}")
file(WRITE ${OUT} "// Generated from ${IN}; do not edit.\nstatic const char kCaCertsPem[] = {${_chars} 0};\n")
