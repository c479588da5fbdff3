# cmake -DINPUT=FILE -DOUTPUT=SOURCE.cpp -DNAME=kName -P EmbedFile.cmake: a C++ source that holds
# FILE's bytes as the array NAME and their count as NAMESize.
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "extern const unsigned char ${NAME}[] = {\n${bytes}};\n"
  "extern const unsigned long ${NAME}Size = sizeof ${NAME};\n")
