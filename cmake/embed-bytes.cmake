# Writes a file's bytes as a C++ array:
#   cmake -DIN=file -DOUT=file.inc -DNAME=kName -P embed-bytes.cmake
file(READ ${IN} _hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
file(WRITE ${OUT} "// Generated from ${IN}; do not edit.\nstatic const unsigned char ${NAME}[] = {${_bytes}};\n")
