// The reference for reading phone XML: libxml2's SAX2 push parser over a file, with the reader's
// options and chunk size and callbacks that do nothing. What convert adds to this is our own
// cost; the parse itself is libxml2's.
#include <libxml/parser.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kChunk = 1 << 16;
constexpr int kOptions =
    XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR | XML_PARSE_NOENT;

void OnStart(void*, const xmlChar*, const xmlChar*, const xmlChar*, int, const xmlChar**, int, int,
             const xmlChar**) {}
void OnEnd(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

struct ParserFree {
    void operator()(xmlParserCtxtPtr parser) const { xmlFreeParserCtxt(parser); }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xml_parse_reference FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "xml_parse_reference: cannot open %s\n", argv[1]);
        return 1;
    }
    xmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElementNs = &OnStart;
    handler.endElementNs = &OnEnd;
    std::vector<char> chunk(kChunk);
    in.read(chunk.data(), 4);
    const std::unique_ptr<xmlParserCtxt, ParserFree> parser(xmlCreatePushParserCtxt(
        &handler, nullptr, chunk.data(), static_cast<int>(in.gcount()), nullptr));
    if (!parser) {
        return 1;
    }
    xmlCtxtUseOptions(parser.get(), kOptions);
    for (;;) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto size = static_cast<int>(in.gcount());
        xmlParseChunk(parser.get(), chunk.data(), size, size == 0 ? 1 : 0);
        if (size == 0) {
            break;
        }
    }
    return parser->wellFormed != 0 ? 0 : 1;
}
