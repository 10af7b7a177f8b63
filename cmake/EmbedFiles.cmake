# Writes a C++ source that holds files as byte arrays, for SiteFile() to look up by name:
# cmake -DOUT=file.cpp -DFILES="a;b" -P EmbedFiles.cmake
set(arrays "")
set(table "")
set(index 0)
foreach(file ${FILES})
    get_filename_component(name ${file} NAME)
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "const unsigned char kFile${index}[] = {${bytes}0};\n")
    string(APPEND table "    {\"${name}\", kFile${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUT}.new "// Generated at build time from src/archive/site/; do not edit.
#include \"archive/site_files.h\"

#include <cstddef>

namespace {

struct Embedded {
    const char* name;
    const unsigned char* bytes;
    std::size_t size;
};

${arrays}
const Embedded kFiles[] = {
${table}};

} // namespace

namespace archive {

std::string_view SiteFile(std::string_view name) {
    for (const Embedded& file : kFiles) {
        if (name == file.name) {
            return {reinterpret_cast<const char*>(file.bytes), file.size};
        }
    }
    return {};
}

} // namespace archive
")
# Only a changed source is replaced, so that an unchanged one is not compiled again.
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
