// Feeds arbitrary bytes from memory to the phone XML reader through the two passes of a restore.
#include "interchange/xml_message_reader.h"
#include "two_pass.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return two_pass::Run<XmlMessageReader>(data, size);
}
