// Writes a valid .usms of one of three shapes for measuring a restore's peak memory:
//   make_backup FILE recipients N   one message with N short recipients
//   make_backup FILE body MB        one message whose body takes about MB megabytes
//   make_backup FILE messages N     N ordinary messages with one recipient each
#include "files/size_digest.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

namespace {

class Writer {
public:
    explicit Writer(const char* path) : out_(path, std::ios::binary | std::ios::trunc) {}
    bool good() const { return out_.good(); }
    std::uint64_t size() { return static_cast<std::uint64_t>(out_.tellp()); }

    void u32(std::uint32_t value) { out_.write(reinterpret_cast<const char*>(&value), 4); }
    void text(std::u16string_view value) {
        out_.write(reinterpret_cast<const char*>(value.data()),
                   static_cast<std::streamsize>(value.size() * 2));
        unit(0);
    }
    // A body of units copies of one letter, written in slices.
    void longText(std::uint64_t units) {
        const std::u16string slice(64 * 1024, u'x');
        for (std::uint64_t left = units; left > 0;) {
            const std::uint64_t now = left < slice.size() ? left : slice.size();
            out_.write(reinterpret_cast<const char*>(slice.data()),
                       static_cast<std::streamsize>(now * 2));
            left -= now;
        }
        unit(0);
    }
    void header(std::uint32_t total) {
        const char zeros[16] = {};
        out_.write(zeros, 16);
        u32(total);
    }
    // The fields before the body, for a message delivered at time.
    void fields(std::uint32_t time) {
        text(u"IPM.SMStext");
        text(u"Inbox");
        for (const std::uint32_t half : {time, 0x01D9A000u, time, 0x01D9A000u}) {
            u32(half);
        }
        u32(1); // read
        u32(160);
        text(u"Jane Doe");
        text(u"+15550100");
    }
    bool finish() {
        Md5Digest digest{};
        if (!UnicodeSizeDigest(size(), digest)) {
            return false;
        }
        out_.seekp(0);
        out_.write(reinterpret_cast<const char*>(digest.data()), 16);
        out_.close();
        return !out_.fail();
    }

private:
    void unit(char16_t unit) { out_.write(reinterpret_cast<const char*>(&unit), 2); }
    std::ofstream out_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_backup FILE recipients|body|messages COUNT\n");
        return 2;
    }
    const std::string_view shape = argv[2];
    const std::uint64_t count = std::strtoull(argv[3], nullptr, 10);
    Writer out(argv[1]);
    if (shape == "recipients" || shape == "body") {
        out.header(1);
        out.fields(1000);
        if (shape == "body") {
            out.longText(count * 1024 * 1024 / 2);
            out.u32(0);
        } else {
            out.text(u"Group message");
            out.u32(static_cast<std::uint32_t>(count));
            for (std::uint64_t i = 0; i < count; ++i) {
                out.text(u"");
                out.text(u"12");
                out.u32(1);
            }
        }
    } else if (shape == "messages") {
        out.header(static_cast<std::uint32_t>(count));
        for (std::uint64_t i = 0; i < count; ++i) {
            out.fields(static_cast<std::uint32_t>(1000 + i));
            out.text(u"See you at the station at six, and bring the tickets please.");
            out.u32(1);
            out.text(u"John Roe");
            out.text(u"+15550199");
            out.u32(1);
        }
    } else {
        std::fprintf(stderr, "make_backup: unknown shape\n");
        return 2;
    }
    if (!out.good() || !out.finish()) {
        std::fprintf(stderr, "make_backup: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
