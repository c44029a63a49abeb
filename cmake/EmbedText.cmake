# Turns a text file into a C++ source that defines `const char *FUNC()` in
# namespace NS returning the file's contents (bytes as an array, so no
# compiler limit on string literal length applies).
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.\nnamespace ${NS} {\nnamespace {\nconst char kData[] = {\n${bytes}0x00};\n}\nconst char *${FUNC}() { return kData; }\n}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
