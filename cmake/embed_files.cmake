# Turns files into a C++ source of byte arrays, so that a program carries them
# (fiscal-server's page). Run as a script:
#   cmake -DOUTPUT=out.cpp -DHEADER=server/web_files.h -DINPUTS="a.html;b.js" -P embed_files.cmake
# The source defines `kWebFiles` and `kWebFileCount` as HEADER declares them,
# one entry per input under its file name.
cmake_minimum_required(VERSION 3.16)
set(body "// Made by cmake/embed_files.cmake from src/server/web/: do not edit.\n")
string(APPEND body "#include \"${HEADER}\"\n\nnamespace {\n")
set(table "")
set(index 0)
foreach(input IN LISTS INPUTS)
  get_filename_component(name ${input} NAME)
  file(READ ${input} hex HEX)
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
         "\\1\n" bytes "${bytes}")
  string(APPEND body "const unsigned char kFile${index}[] = {\n${bytes}0x00};\n")
  string(APPEND table "    {\"${name}\", kFile${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND body "}  // namespace\n\nconst WebFile kWebFiles[] = {\n${table}};\n")
string(APPEND body "const size_t kWebFileCount = ${index};\n")
file(WRITE ${OUTPUT}.tmp "${body}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
