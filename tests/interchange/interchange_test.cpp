#include "files/unicode_backup_file.h"
#include "interchange/file_kind.h"
#include "interchange/json_backup_file.h"
#include "interchange/json_fast_mapping.h"
#include "interchange/json_mapping.h"
#include "interchange/surrogate_filter.h"
#include "interchange/xml_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

MemoryRecord Message(std::u16string folder, std::u16string body, std::u16string senderName,
                     std::u16string senderNumber, std::vector<Recipient> recipients,
                     std::uint64_t delivered, DWORD flags) {
    MessageFields fields;
    fields.messageClass = kSmsMessageClass;
    fields.folderPath = std::move(folder);
    fields.deliveryTime = U64ToFileTime(delivered);
    fields.lastModified = U64ToFileTime(delivered + 12345);
    fields.flags = flags;
    fields.size = static_cast<DWORD>(body.size() * 2 + 7);
    fields.senderName = std::move(senderName);
    fields.senderNumber = std::move(senderNumber);
    fields.body = std::move(body);
    return MemoryRecord(fields, std::move(recipients));
}

// Messages that test every escape: line breaks, markup, emoji, empty fields, deep folders,
// several recipients, units XML cannot hold, unpaired surrogates, extreme times.
std::vector<MemoryRecord> TrickyMessages() {
    std::vector<MemoryRecord> messages;
    messages.push_back(Message(u"Inbox",
                               u"CR LF\r\nand LF\n, tab\t, \"quotes\" 'single' <b> & "
                               u"&amp; \U0001F600\U0001F44D\u200D",
                               u"Anna \"A\" <Berg>", u"+4915112345678", {}, 133537248000000000, 1));
    messages.push_back(Message(u"Sentedbox\\Old\\2019", u"", u"", u"",
                               {Recipient(u"555", u"Home & Co", 1), Recipient(u"777", u"", 2),
                                Recipient(u"", u"Nobody", 3)},
                               133537248000000001, 0x21));
    messages.push_back(
        Message(u"Wastebox", u"control \x01\x1F bell\x07 end", u"", u"+1 555", {}, 0, 0));
    std::u16string odd = u"lone ";
    odd += char16_t(0xD83D);
    odd += u" low ";
    odd += char16_t(0xDE00);
    odd += u" nonchars \uFFFE\uFFFF";
    messages.push_back(Message(u"Draft\\ ", odd, odd, u"", {Recipient(odd, odd, 0xFFFFFFFF)},
                               0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFF));
    messages.push_back(Message(u"Outbox", u"x", u"", u"", {}, 1, 8));
    return messages;
}

// Reads a file in one format and writes what it read in another, as convert does.
RunOutcome Convert(BackupFile& from, const std::u16string& source, BackupFile& to,
                   const std::u16string& target) {
    RestoreOutcome read = RunRestore(from, source);
    if (!read.ok) {
        return read;
    }
    std::vector<MemoryRecord> records;
    for (std::size_t i = 0; i < read.records.size(); ++i) {
        records.emplace_back(read.records[i], read.recipients[i]);
    }
    return RunBackup(to, target, records);
}

using FormatMaker = std::function<std::unique_ptr<BackupFile>()>;

struct Interchange {
    const char* name;
    FormatMaker make;
};

const Interchange kFormats[] = {
    {"xml", [] { return std::make_unique<XmlBackupFile>(); }},
    {"json", [] { return std::make_unique<JsonBackupFile>(); }},
};

TEST(Interchange, UnicodeBackupsComeBackByteForByte) {
    TempDir dir;
    std::vector<MemoryRecord> messages = TrickyMessages();
    UnicodeBackupFile usms;
    ASSERT_TRUE(RunBackup(usms, dir.file("a.usms"), messages).ok);
    for (const Interchange& format : kFormats) {
        SCOPED_TRACE(format.name);
        const auto middle = format.make();
        const std::string mid = std::string("mid.") + format.name;
        const RunOutcome out = Convert(usms, dir.file("a.usms"), *middle, dir.file(mid));
        ASSERT_TRUE(out.ok) << out.failedAt;
        EXPECT_EQ(DetectFileKind(dir.file(mid)),
                  std::string(format.name) == "xml" ? FileKind::Xml : FileKind::Json);
        UnicodeBackupFile back;
        const auto reader = format.make();
        const RunOutcome in = Convert(*reader, dir.file(mid), back, dir.file("b.usms"));
        ASSERT_TRUE(in.ok) << in.failedAt << " " << utf::Utf8(in.error);
        EXPECT_EQ(ReadHostFile(dir.path() / "b.usms"), ReadHostFile(dir.path() / "a.usms"));
    }
    // The XML holds only characters that XML allows, and each unit it cannot hold beside them.
    const std::string xml = ReadHostFile(dir.path() / "mid.xml");
    EXPECT_EQ(xml.find('\x01'), std::string::npos);
    EXPECT_NE(xml.find("body=\"CR LF&#13;&#10;and LF&#10;, tab&#9;, &quot;quotes&quot; 'single' "
                       "&lt;b&gt; &amp; &amp;amp; \xF0\x9F\x98\x80"),
              std::string::npos);
}

TEST(Interchange, XmlCountIsTheNumberOfElementsWritten) {
    TempDir dir;
    std::vector<MemoryRecord> messages = TrickyMessages();
    XmlBackupFile xml;
    HANDLE handle = 0;
    std::u16string error;
    ASSERT_TRUE(xml.OpenForWrite(dir.file("a.xml"), handle, error));
    // A backup announces the total it counted, then corrects it to what it wrote.
    ASSERT_TRUE(xml.SkipValidationArea(handle, error) && xml.WriteTotal(handle, 9, error));
    ASSERT_TRUE(xml.WriteRecord(handle, messages[0], error));
    ASSERT_TRUE(xml.WriteRecord(handle, messages[1], error));
    ASSERT_TRUE(xml.SkipValidationArea(handle, error) && xml.WriteTotal(handle, 2, error));
    ASSERT_TRUE(xml.WriteValidation(handle, error) && xml.CloseAfterWrite(handle, error));
    const std::string text = ReadHostFile(dir.path() / "a.xml");
    EXPECT_NE(text.find("<smses count=\"2\"" + std::string(9, ' ') + ">\n  <sms "),
              std::string::npos);
    EXPECT_EQ(RunRestore(xml, dir.file("a.xml")).total, 2u);
}

TEST(Interchange, ReadsAPhoneBackupAsPhonesWriteIt) {
    XmlBackupFile xml;
    const RestoreOutcome read = RunRestore(xml, utf::Utf16(MSGKEEPER_FIXTURES "/phone_backup.xml"));
    ASSERT_TRUE(read.ok) << read.failedAt << " " << utf::Utf8(read.error);
    ASSERT_EQ(read.total, 4u);
    EXPECT_EQ(xml.Skipped(), 1u); // the <mms>
    const std::vector<MessageFields>& r = read.records;
    EXPECT_EQ(r[0].body, u"Smile \U0001F600 and a pair in hex \U0001F600");
    EXPECT_EQ(r[0].folderPath, u"Inbox");
    EXPECT_EQ(r[0].messageClass, kSmsMessageClass);
    EXPECT_EQ(r[0].senderName, u"Anna Berg");
    EXPECT_EQ(r[0].senderNumber, u"+4915112345678");
    EXPECT_EQ(FileTimeToU64(r[0].deliveryTime), 133537248000000000u); // 2024-03-01 00:00 UTC
    EXPECT_EQ(r[0].lastModified, r[0].deliveryTime);
    EXPECT_EQ(r[0].flags, 1u);
    EXPECT_TRUE(read.recipients[0].empty());

    EXPECT_EQ(r[1].folderPath, u"Sentedbox");
    EXPECT_EQ(r[1].body, u"Line one\r\nLine two & \"quotes\" <ok>");
    EXPECT_EQ(r[1].flags, 0x20u); // sent by the owner, not read
    EXPECT_TRUE(r[1].senderNumber.empty());
    EXPECT_EQ(read.recipients[1],
              (std::vector<Recipient>{Recipient(u"+33612345678", u"Claire", 1)}));

    EXPECT_EQ(r[2].folderPath, u"Outbox"); // type 5, failed
    EXPECT_EQ(FileTimeToU64(r[2].deliveryTime), 0u);
    EXPECT_EQ(r[2].size, 28u);
    EXPECT_EQ(r[3].folderPath, u"Draft");
    EXPECT_TRUE(read.recipients[3].empty()); // no address, and "(Unknown)" is no name
}

struct Damage {
    const char* name;
    std::string bytes;
    const char* expected; // a part of the error text
};

std::string HugeAttribute() {
    return "<smses><sms type=\"1\" body=\"" + std::string(11u << 20, 'x') + "\" /></smses>";
}

TEST(Interchange, DamagedFilesFailTheCheckWithThePlaceAndNothingIsRead) {
    const std::string good = "<smses><sms type=\"1\" body=\"ok\" />";
    const Damage xml[] = {
        {"truncated", good + "<sms type=\"1\" bo", "read xml error, line 1, column"},
        {"unclosed", good, "read xml error, line 1, column"},
        {"date not a number", good + "<sms date=\"soon\" /></smses>",
         "line 1, <sms> element 2: date=\"soon\" is not a whole number"},
        {"unknown type", good + "\n<sms type=\"9\" /></smses>", "line 2, <sms> element 2: type"},
        {"bad units", good + "<sms body_utf16=\"12\" /></smses>", "body_utf16 is not"},
        {"recipient missing", good + "<sms mk_recipients=\"1\" a=\"\" b=\"\" /></smses>",
         "recipient 1 is missing"},
        {"huge attribute", HugeAttribute(), "read xml error, line 1, column"},
        {"other root", "<html><sms /></html>", "the root element is <html>"},
        {"document type", "<!DOCTYPE smses [<!ENTITY a \"b\">]><smses />", "document type"},
    };
    const Damage json[] = {
        {"truncated", "{\"body\":\"ok\"}\n{\"body\":\"o", "read json error, line 2, column"},
        {"wrong type", "{\"body\":\"ok\"}\n\n{\"flags\":\"1\"}\n",
         "line 3: \"flags\" must be a whole number"},
        {"negative", "{\"size\":-1}", "\"size\" must be a whole number"},
        {"recipients", "{\"recipients\":{}}", "\"recipients\" must be a list"},
        {"recipient type", "{\"recipients\":[{\"type\":4294967296}]}", "\"type\" must be"},
        {"not an object", "[1]", "line 1: a line must hold one object"},
        {"number overflow", "{\"size\":13e912345678}", "line 1: number overflow"},
        {"bad utf-8", "{\"body\":\"\xFF\"}", "read json error, line 1, column"},
    };
    TempDir dir;
    const auto check = [&dir](BackupFile& format, const Damage& damage) {
        SCOPED_TRACE(damage.name);
        WriteHostFile(dir.path() / "bad", damage.bytes);
        const RestoreOutcome read = RunRestore(format, dir.file("bad"));
        EXPECT_EQ(read.failedAt, "CheckValidation");
        EXPECT_NE(utf::Utf8(read.error).find(damage.expected), std::string::npos)
            << utf::Utf8(read.error);
        EXPECT_TRUE(read.records.empty());
    };
    for (const Damage& damage : xml) {
        XmlBackupFile format;
        check(format, damage);
    }
    for (const Damage& damage : json) {
        JsonBackupFile format;
        check(format, damage);
    }
}

TEST(Interchange, FilesAreToldApartByContent) {
    TempDir dir;
    std::vector<MemoryRecord> none;
    UnicodeBackupFile usms;
    ASSERT_TRUE(RunBackup(usms, dir.file("x.json"), none).ok); // the name misleads
    EXPECT_EQ(DetectFileKind(dir.file("x.json")), FileKind::Usms);
    EXPECT_EQ(DetectFileKind(dir.file("missing")), FileKind::Other);
    const std::pair<std::string, FileKind> heads[] = {
        {"<?xml version='1.0'?><smses/>", FileKind::Xml},
        {"\xEF\xBB\xBF\n  <smses count=\"0\"/>", FileKind::Xml},
        {std::string("\xFF\xFE<\0s\0", 6), FileKind::Xml},
        {" {\"body\":\"\"}\n", FileKind::Json},
        {std::string(20, '\0'), FileKind::Other},
        {"", FileKind::Other},
        {"Total: 3", FileKind::Other},
    };
    for (const auto& [head, kind] : heads) {
        EXPECT_EQ(DetectFileKind(head, head.size()), kind) << head;
    }
}

// A line the quick way takes must map as the exact way maps it; the others it must decline.
TEST(Interchange, JsonQuickWayMapsAsTheExactWayOrDeclines) {
    const std::pair<std::string, bool> lines[] = {
        {R"({"body":"a\"b\n\u00e9\ud83d\ude00","flags":7,"size":4294967295,"deliveryTime":)"
         R"(18446744073709551615,"recipients":[{"address":"1","displayName":"A"},{"type":2}]})",
         true},
        {R"( {"senderName":"x","senderNameUtf16":"D800","x":[1,{"y":null}],"lastModified":3} )",
         true},
        {"{}\r", true},
        {R"({"body":"a","body":"b"})", false}, // the exact way keeps the last
        {R"({"flags": -0})", false},
        {R"({"size":1.0})", false},
        {R"({"recipients":[{"type":-1}]})", false},
        {R"({"bodyUtf16":"12"})", false},
        {"\xEF\xBB\xBF{\"body\":\"bom\"}", false},
    };
    interchange::JsonFastMapping quick;
    for (const auto& [line, taken] : lines) {
        SCOPED_TRACE(line);
        MessageFields fields{};
        fields.senderNumber = u"kept"; // a text left out stays, a time left out becomes 0
        fields.deliveryTime = U64ToFileTime(5);
        std::vector<Recipient> recipients{Recipient(u"0", u"", 1)};
        const MessageFields before = fields;
        ASSERT_EQ(quick.Map(line, fields, recipients), taken);
        MessageFields exact = before;
        std::vector<Recipient> exactRecipients{Recipient(u"0", u"", 1)};
        std::string problem;
        const bool mapped = interchange::MapJsonObject(nlohmann::json::parse(line, nullptr, false),
                                                       exact, exactRecipients, problem);
        if (!taken) {
            exact = before; // declined: nothing may have changed
            exactRecipients.resize(1);
        } else {
            ASSERT_TRUE(mapped) << problem;
        }
        EXPECT_EQ(std::tie(fields.messageClass, fields.folderPath, fields.lastModified,
                           fields.deliveryTime, fields.flags, fields.size, fields.senderName,
                           fields.senderNumber, fields.body),
                  std::tie(exact.messageClass, exact.folderPath, exact.lastModified,
                           exact.deliveryTime, exact.flags, exact.size, exact.senderName,
                           exact.senderNumber, exact.body));
        EXPECT_EQ(recipients, exactRecipients);
    }
}

// Hands its bytes out a few at a time, so that references fall across every boundary.
class TrickleSource final : public ByteSource {
public:
    TrickleSource(std::string bytes, std::size_t step) : bytes_(std::move(bytes)), step_(step) {}
    long Read(char* buffer, std::size_t size) override {
        const std::size_t count = std::min({size, step_, bytes_.size() - at_});
        std::copy_n(bytes_.data() + at_, count, buffer);
        at_ += count;
        return static_cast<long>(count);
    }
    bool Rewind() override { return (at_ = 0) == 0; }

private:
    std::string bytes_;
    std::size_t step_;
    std::size_t at_ = 0;
};

TEST(Interchange, SurrogateFilterJoinsPairsAcrossEveryBoundary) {
    const std::string input = "a&#55357;&#56832;b&#xD83D;&#xde00;&#56832;c&#55357;&#65;&#1234;"
                              "&#x1F600;&#55357;";
    const std::string expected =
        "a&#128512;b&#128512;&#65533;c&#65533;&#65;&#1234;&#x1F600;&#65533;";
    for (std::size_t step = 1; step <= 40; ++step) {
        TrickleSource source(input, step);
        SurrogateFilter filter(source);
        std::string output;
        char buffer[3];
        long read = 0;
        while ((read = filter.Read(buffer, sizeof buffer)) > 0) {
            output.append(buffer, static_cast<std::size_t>(read));
        }
        EXPECT_EQ(read, 0);
        EXPECT_EQ(output, expected) << "step " << step;
    }
}

} // namespace
