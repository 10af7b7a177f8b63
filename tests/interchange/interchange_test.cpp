// The interchange formats: what kind a file is and which reader takes it, what the writers
// and readers make of every text, and phone files as phones write them.
#include "files/unicode_backup_file.h"
#include "interchange/file_sniffer.h"
#include "interchange/json_backup_file.h"
#include "interchange/json_fast_mapping.h"
#include "interchange/json_mapping.h"
#include "interchange/json_message_reader.h"
#include "interchange/streamed_backup_file.h"
#include "interchange/xml_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"
#include "transfer/convert.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>
#include <typeinfo>

using namespace std::string_literals;

namespace {

// The one content sniffer: every kind of file that people bring, told apart by its first bytes
// whatever its name, what each is called, and which reader takes it.
// The low bytes of text as UTF-16 of either byte order, with its mark.
std::string Utf16(const std::string& text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char c : text) {
        bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
    }
    return bytes;
}

TEST(FileKind, EveryKindIsToldApartNamedAndGivenItsReader) {
    using enum FileKind;
    const std::string declaration = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n";
    const std::string header(20, '\x01'); // a digest that fits nothing, and a total
    const std::type_info* const toXml = &typeid(XmlBackupFile);
    const std::type_info* const toJson = &typeid(JsonBackupFile);
    const std::type_info* const toUsms = &typeid(UnicodeBackupFile);
    // clang-format off
    const std::tuple<std::string, FileKind, std::string, const std::type_info*> cases[] = {
        {declaration + "<smses count=\"1\">", Xml, "an XML file", toXml},
        {"\xEF\xBB\xBF\n  <smses/>", Xml, "an XML file", toXml},
        {"<!-- a phone's note --><smses/>", Xml, "an XML file", toXml},
        {Utf16("<smses/>", true), Xml, "an XML file", toXml},
        {Utf16("<smses/>", false), Xml, "an XML file", toXml},
        // A head that ends inside a comment does not tell its root: read as the markup begins.
        {declaration + "<!-- " + std::string(5000, 'x'), Xml, "an XML file", toXml},
        {"<html><sms/></html>", OtherXml, "an XML file", toUsms},
        {declaration + "<!DOCTYPE calls>\r\n<calls/>", CallLog, "a phone call log", toXml},
        {Utf16("<?xml version='1.0'?><calls count='1'>", true), CallLog, "a phone call log", toXml},
        {declaration + "<callsign/>", Xml, "an XML file", toXml},
        {"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\n", Contacts, "a contacts file (vCard)", toUsms},
        {"\xEF\xBB\xBF\n begin:vcard\n", Contacts, "a contacts file (vCard)", toUsms},
        {" {\"body\":\"\"}", JsonLines, "a JSON file", toJson},
        {"  [{\"body\": \"hi\"}]", OtherJson, "a JSON file", toUsms},
        {"\xEF\xBB\xBF\"Class Name\",\"Folder\"\r\n", CsvExport, "a CSV export", toUsms},
        {Utf16("Sender: Anna", true), TextExport, "a text export", toUsms},
        {header + "IPM.SMStext\n", AnsiBackup, "an ANSI backup (.sms)", toUsms},
        {header + "I\0P\0M\0.\0"s, DamagedUnicodeBackup, "a damaged Unicode backup", toUsms},
        {"", Empty, "an empty file", toUsms},
        {"Total: 3", Unknown, "a file of an unknown kind", toUsms},
        {std::string(20, '\0'), Unknown, "a file of an unknown kind", toUsms},
    };
    // clang-format on
    TempDir dir;
    for (const auto& [head, kind, described, reader] : cases) {
        SCOPED_TRACE(head.substr(0, 80));
        EXPECT_EQ(SniffBytes(head, head.size()), kind);
        WriteHostFile(dir.path() / "x.usms", head); // the name misleads
        EXPECT_EQ(SniffFile(dir.file("x.usms")), kind);
        EXPECT_EQ(DescribeKind(kind), described);
        const std::unique_ptr<BackupFile> made = MakeReader(kind);
        EXPECT_TRUE(typeid(*made) == *reader);
        const std::string hint = NotABackupHint(kind);
        EXPECT_TRUE(hint.find(described) != std::string::npos) << hint;
    }
    std::vector<MemoryRecord> none;
    UnicodeBackupFile usms;
    ASSERT_TRUE(WriteBackupOf(usms, dir.file("x.json"), none).ok);
    EXPECT_EQ(SniffFile(dir.file("x.json")), UnicodeBackup);
    EXPECT_TRUE(typeid(*MakeReader(UnicodeBackup)) == *toUsms);
    EXPECT_EQ(NotABackupHint(UnicodeBackup), "");
    EXPECT_EQ(SniffFile(dir.file("missing")), Unknown);
}

// Messages that test every escape: line breaks, markup, emoji, empty fields, deep folders,
// several recipients, units XML cannot hold, unpaired surrogates, extreme times. The first
// kPlainMessages are what a phone's own attributes describe whole; the XML writes nothing of
// ours for them, and each message after them differs from that in one field or more.
constexpr std::size_t kPlainMessages = 2;
std::vector<MemoryRecord> TrickyMessages() {
    const std::u16string odd = u"lone \xD83D low \xDE00 nonchars \uFFFE\uFFFF";
    std::vector<MemoryRecord> messages;
    const auto add = [&messages](std::u16string folder, std::u16string body, std::u16string name,
                                 std::u16string number, std::vector<Recipient> recipients,
                                 std::uint64_t delivered, DWORD flags, bool plain = false) {
        const auto size = static_cast<DWORD>(body.size() * 2 + (plain ? 0 : 7));
        messages.emplace_back(
            MessageFields{kSmsMessageClass, folder, U64ToFileTime(delivered + (plain ? 0 : 5)),
                          U64ToFileTime(delivered), flags, size, name, number, body},
            std::move(recipients));
    };
    add(u"Inbox", u"Hi \U0001F600", u"Anna", u"+4915112345678", {}, 133537248000000000, 1, true);
    add(u"Sentedbox", u"Yes", u"", u"", {Recipient(u"555", u"Home", 1)}, 133537248000010000, 0x21,
        true);
    // One field each from plain: a sender name a reader drops, a recipient's name it drops and
    // a recipient type other than 1, a time finer than a millisecond, a message class.
    add(u"Inbox", u"", u"null", u"5", {}, 133537248000000000, 1, true);
    add(u"Sentedbox", u"", u"", u"", {Recipient(u"5", u"(Unknown)", 1)}, 133537248000000000, 0x21,
        true);
    add(u"Sentedbox", u"", u"", u"", {Recipient(u"5", u"", 2)}, 133537248000000001, 0x21, true);
    messages.emplace_back(MessageFields{u"IPM.Note", u"Draft", {}, {}, 0x29, 0, u"", u"", u""},
                          std::vector<Recipient>{});
    add(u"Inbox",
        u"CR LF\r\nand LF\n, tab\t, \"quotes\" 'single' <b> & &amp; \U0001F600\U0001F44D\u200D",
        u"Anna \"A\" <Berg>", u"+4915112345678", {}, 133537248000000000, 1);
    add(u"Sentedbox\\Old\\2019", u"", u"", u"",
        {Recipient(u"555", u"Home & Co", 1), Recipient(u"777", u"", 2),
         Recipient(u"", u"Nobody", 3)},
        133537248000000001, 0x21);
    add(u"Wastebox", u"control \x01\x1F bell\x07 end", u"", u"+1 555", {}, 0, 0);
    add(u"Draft\\ ", odd, odd, u"", {Recipient(odd, odd, 0xFFFFFFFF)}, 0xFFFFFFFFFFFFFFFFull,
        0xFFFFFFFF);
    add(u"Outbox", u"x", u"", u"", {}, 1, 8);
    return messages;
}

// Once as they are, and once so many that the XML reader parses on a thread of its own and its
// elements cross many of the batches it hands on.
TEST(Interchange, UnicodeBackupsComeBackByteForByte) {
    const std::size_t tricky = TrickyMessages().size();
    for (const std::size_t copies : {1, 400}) {
        TempDir dir;
        std::vector<MemoryRecord> messages;
        for (std::size_t i = 0; i < copies; ++i) {
            std::ranges::move(TrickyMessages(), std::back_inserter(messages));
        }
        UnicodeBackupFile usms;
        ASSERT_TRUE(WriteBackupOf(usms, dir.file("a.usms"), messages).ok);
        XmlBackupFile xmlOut;
        JsonBackupFile jsonOut;
        const std::pair<BackupFile*, FileKind> formats[] = {{&xmlOut, FileKind::Xml},
                                                            {&jsonOut, FileKind::JsonLines}};
        for (const auto& [out, kind] : formats) {
            // convert's own pipeline, the reader chosen by content, both ways.
            const ConvertResult there = ConvertFile(dir.file("a.usms"), *out, dir.file("mid"));
            ASSERT_EQ(there.outcome, TransferOutcome::Done) << utf::Utf8(there.error);
            EXPECT_EQ(there.written, messages.size());
            EXPECT_EQ(SniffFile(dir.file("mid")), kind);
            UnicodeBackupFile back;
            const ConvertResult again = ConvertFile(dir.file("mid"), back, dir.file("b.usms"));
            ASSERT_EQ(again.outcome, TransferOutcome::Done) << utf::Utf8(again.error);
            EXPECT_EQ(ReadHostFile(dir.path() / "b.usms"), ReadHostFile(dir.path() / "a.usms"));
            if (kind != FileKind::Xml) {
                continue;
            }
            // Only characters that XML allows, and each unit it cannot hold beside them.
            const std::string xml = ReadHostFile(dir.path() / "mid");
            EXPECT_GT(xml.size(), copies == 1 ? 0u : 1u << 16);
            EXPECT_EQ(xml.find('\x01'), std::string::npos);
            EXPECT_NE(xml.find("body=\"CR LF&#13;&#10;and LF&#10;, tab&#9;, &quot;quotes&quot; "
                               "'single' &lt;b&gt; &amp; &amp;amp; \xF0\x9F\x98\x80"),
                      std::string::npos);
            std::size_t element = 0;
            for (std::size_t at = xml.find("<sms "); at != std::string::npos;
                 at = xml.find("<sms ", at + 1), ++element) {
                const std::size_t own = xml.find(" mk_", at);
                ASSERT_EQ(own > xml.find("/>", at), element % tricky < kPlainMessages) << element;
            }
            EXPECT_EQ(element, messages.size());
        }
    }
}

// A backup announces the total it counted, then corrects it to what it wrote.
TEST(Interchange, XmlCountIsTheNumberOfElementsWritten) {
    TempDir dir;
    std::vector<MemoryRecord> messages = TrickyMessages();
    XmlBackupFile xml;
    HANDLE h = 0;
    std::u16string error;
    ASSERT_TRUE(xml.OpenForWrite(dir.file("a.xml"), h, error) && xml.SkipValidationArea(h, error) &&
                xml.WriteTotal(h, 9, error) && xml.WriteRecord(h, messages[0], error) &&
                xml.WriteRecord(h, messages[1], error) && xml.SkipValidationArea(h, error) &&
                xml.WriteTotal(h, 2, error) && xml.WriteValidation(h, error) &&
                xml.CloseAfterWrite(h, error));
    EXPECT_TRUE(ReadHostFile(dir.path() / "a.xml").find("<smses count=\"2\"         >\n  <sms ") !=
                std::string::npos);
    EXPECT_EQ(ReadBackupFrom(xml, dir.file("a.xml")).total, 2u);
}

TEST(Interchange, ReadsAPhoneBackupAsPhonesWriteIt) {
    XmlBackupFile xml;
    const RestoreOutcome read =
        ReadBackupFrom(xml, utf::Utf16(MSGKEEPER_FIXTURES "/phone_backup.xml"));
    ASSERT_TRUE(read.ok) << read.failedAt << " " << utf::Utf8(read.error);
    EXPECT_EQ(xml.Skipped(), 1u); // the <mms>
    // Times are the phone's milliseconds since 1970; a sent or failed message's address is its
    // recipient; "(Unknown)" is no name, neither a recipient's nor a sender's. Each line: folder,
    // body, sender name and number, delivery time, flags, size, then each recipient.
    const std::vector<std::string> expected = {
        "Inbox|Smile \U0001F600 and a pair in hex \U0001F600|Anna Berg|+4915112345678|"
        "133537248000000000|1|58",
        "Sentedbox|Line one\r\nLine two & \"quotes\" <ok>|||133537284000000000|32|68|"
        "+33612345678/Claire/1",
        "Outbox|failed to send|||0|40|28|555//1",
        "Draft||||133537320000000000|41|0",
        "Inbox|||5|0|0|0",
    };
    ASSERT_EQ(read.total, expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const MessageFields& r = read.records[i];
        std::string line =
            utf::Utf8(r.folderPath + u"|" + r.body + u"|" + r.senderName + u"|" + r.senderNumber) +
            "|" + std::to_string(FileTimeToU64(r.deliveryTime)) + "|" + std::to_string(r.flags) +
            "|" + std::to_string(r.size);
        for (const Recipient& to : read.recipients[i]) {
            line += utf::Utf8(u"|" + to.address() + u"/" + to.displayName()) + "/" +
                    std::to_string(to.type());
        }
        EXPECT_EQ(line, expected[i]);
        EXPECT_TRUE(r.messageClass == kSmsMessageClass && r.lastModified == r.deliveryTime);
    }
}

// A JSON line of exactly size bytes, its body filled up to that.
std::string LineOf(std::size_t size) {
    return "{\"body\":\"" + std::string(size - 11, 'x') + "\"}";
}

// The longest line that reads, with a line feed after it or at the end of the file.
TEST(Interchange, JsonLinesReadUpToTheirLimit) {
    TempDir dir;
    const std::string longest = LineOf(JsonMessageReader::kMaxLine);
    for (const std::string& file : {longest + "\n" + LineOf(12), LineOf(12) + "\n" + longest}) {
        WriteHostFile(dir.path() / "long.jsonl", file);
        JsonBackupFile json;
        const RestoreOutcome read = ReadBackupFrom(json, dir.file("long.jsonl"));
        ASSERT_TRUE(read.ok) << utf::Utf8(read.error);
        ASSERT_EQ(read.records.size(), 2u);
        EXPECT_EQ(read.records[0].body.size() + read.records[1].body.size(),
                  JsonMessageReader::kMaxLine - 11 + 1);
    }
}

TEST(Interchange, DamagedFilesFailTheCheckWithThePlaceAndNothingIsRead) {
    const std::string sms = "<smses><sms type=\"1\" body=\"ok\" />";
    const std::string huge = "<smses><sms body=\"" + std::string(11u << 20, 'x') + "\" /></smses>";
    const std::string json = "{\"body\":\"ok\"}\n";
    const nlohmann::json crowd = {
        {"recipients", std::vector<nlohmann::json>(kMaxRecipients + 1, nlohmann::json::object())}};
    const std::tuple<bool, std::string, std::string> cases[] = {
        // XML?, bytes, part of the text
        {true, sms + "<sms type=\"1\" bo", "read xml error, line 1, column"},
        {true, sms, "read xml error, line 1, column"},
        {true, sms + "<sms date=\"soon\" />",
         "line 1, <sms> element 2: date=\"soon\" is not a whole"},
        {true, sms + "\n<sms type=\"9\" /></smses>", "line 2, <sms> element 2: type"},
        {true, sms + "<sms body_utf16=\"12\" /></smses>", "body_utf16 is not"},
        {true, sms + "<sms mk_recipients=\"1\" a=\"\" b=\"\" /></smses>", "recipient 1 is missing"},
        {true, huge, "read xml error, line 1, column"},
        // An encoding error while the parser is set up, before the reader is attached.
        {true, std::string("\0\0<\0\0smsess b", 13), "read xml error, line 1"},
        {true, "<html><sms /></html>", "the root element is <html>"},
        // The count is refused by its limit, whatever the element holds.
        {true, sms + "<sms mk_recipients=\"100001\" /></smses>",
         "mk_recipients=\"100001\" is not a whole number from 0 to 100000 (the most recipients "
         "a message may have)"},
        {true, sms + "<sms mk_recipients=\"2\" mk_r1_address=\"5\" mk_r1_type=\"1\" /></smses>",
         "from 0 to 1 (three attributes per recipient)"},
        {true, "<!DOCTYPE smses [<!ENTITY a \"b\">]><smses />", "document type"},
        {false, json + "{\"body\":\"o", "read json error, line 2, column"},
        {false, json + "\n{\"flags\":\"1\"}\n", "line 3: \"flags\" must be a whole number"},
        {false, "{\"size\":-1}", "\"size\" must be a whole number"},
        {false, "{\"recipients\":{}}", "\"recipients\" must be a list"},
        {false, "{\"recipients\":[{\"type\":4294967296}]}", "\"type\" must be"},
        {false, crowd.dump(), "line 1: more than 100000 \"recipients\""},
        // One byte over the limit, well within the chunk that the reader reads next.
        {false, json + LineOf(JsonMessageReader::kMaxLine + 1) + "\n",
         "read json error, line 2 is longer than 16 MiB"},
        {false, "[1]", "line 1: a line must hold one object"},
        {false, "{\"size\":13e912345678}", "line 1: number overflow"},
        {false, "{\"body\":\"\xFF\"}", "read json error, line 1, column"},
    };
    TempDir dir;
    for (const auto& [isXml, bytes, expected] : cases) {
        // XML again behind spaces that fill more than the parser's first chunk, so that it is
        // parsed on a thread of its own (not the bytes that tell the encoding).
        const bool pad = isXml && bytes[0] != '\0';
        for (const std::string& file : {bytes, pad ? std::string(70'000, ' ') + bytes : ""}) {
            if (file.empty()) {
                continue;
            }
            WriteHostFile(dir.path() / "bad", file);
            XmlBackupFile xml;
            JsonBackupFile json;
            const RestoreOutcome read =
                ReadBackupFrom(isXml ? static_cast<BackupFile&>(xml) : json, dir.file("bad"));
            EXPECT_EQ(read.failedAt, "CheckValidation") << expected;
            EXPECT_NE(utf::Utf8(read.error).find(expected), std::string::npos)
                << utf::Utf8(read.error);
            EXPECT_TRUE(read.records.empty());
        }
    }
}

auto Tied(const MessageFields& f) {
    return std::tie(f.messageClass, f.folderPath, f.lastModified, f.deliveryTime, f.flags, f.size,
                    f.senderName, f.senderNumber, f.body);
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
        EXPECT_EQ(Tied(fields), Tied(exact));
        EXPECT_EQ(recipients, exactRecipients);
        // Filled in place, over a message of its own, a line's message is the exact way's from
        // nothing, nothing of the earlier one left.
        MessageFields fresh{};
        std::vector<Recipient> freshRecipients;
        const bool freshMapped = interchange::MapJsonObject(
            nlohmann::json::parse(line, nullptr, false), fresh, freshRecipients, problem);
        const std::string padded = line + std::string(interchange::JsonFastMapping::kPadding, 0);
        ASSERT_EQ(quick.FillPadded({padded.data(), line.size()}, fields, recipients), taken);
        EXPECT_TRUE(!taken ||
                    (freshMapped && Tied(fields) == Tied(fresh) && recipients == freshRecipients));
    }
}

// Phone files as phones write them: references to units that XML forbids, halves of surrogate
// pairs, and U+0000 in any reader (the filter's other rewrites are its own tests'). Each is read
// into the units it names, or left out and counted where no text can hold it.
std::string PhoneXml(const std::string& body) {
    return "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"1\">\n"
           "  <sms protocol=\"0\" address=\"+4911\" date=\"1709251200000\" type=\"1\" body=\"" +
           body + "\" read=\"1\" contact_name=\"Anna\" />\n</smses>\n";
}

// One row per quirk: the file, the body the message must hold, and how many characters were
// left out because no text can hold them.
TEST(PhoneFiles, QuirksReadIntoTheUnitsTheyName) {
    const struct {
        const char* name;
        std::string file;
        bool json;
        std::u16string body;
        unsigned long leftOut;
    } cases[] = {
        {"controls", PhoneXml("a&#1;b&#31;c&#x1B;"), false, {u'a', 1, u'b', 0x1F, u'c', 0x1B}, 0},
        {"lone halves", PhoneXml("&#55357;x&#56832;"), false, u"\xD83Dx\xDE00", 0},
        {"nul reference", PhoneXml("hey&#0;you&#0;"), false, u"heyyou", 2},
        {"escape char", PhoneXml("\xF4\x8F\xBF\xBD&#1114109;"), false, u"\U0010FFFD\U0010FFFD", 0},
        {"our exact units", PhoneXml("before?after\" body_utf16=\"006200000061"), false, u"ba", 1},
        {"json nul", "{\"folderPath\":\"Inbox\",\"body\":\"before\\u0000after\"}\n", true,
         u"beforeafter", 1},
        {"json exact units", "{\"folderPath\":\"Inbox\",\"bodyUtf16\":\"0061000000620000\"}\n",
         true, u"ab", 2},
    };
    const TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(dir.path() / "phone", c.file);
        XmlBackupFile xml;
        JsonBackupFile json;
        StreamedBackupFile& reader = c.json ? static_cast<StreamedBackupFile&>(json) : xml;
        const RestoreOutcome read = ReadBackupFrom(reader, dir.file("phone"));
        ASSERT_TRUE(read.ok) << read.failedAt;
        ASSERT_EQ(read.records.size(), 1u);
        EXPECT_EQ(read.records[0].body, c.body);
        EXPECT_EQ(reader.LeftOut(), c.leftOut);
        // In one pass, as convert reads, the same text and count.
        HANDLE unused = 0;
        std::u16string error;
        ASSERT_TRUE(reader.OpenForRead(dir.file("phone"), unused, error) &&
                    reader.StartOnePass(error))
            << utf::Utf8(error);
        MessageFields fields;
        std::vector<Recipient> recipients;
        ASSERT_EQ(reader.Next(fields, recipients, error), MessageReader::Result::Message);
        EXPECT_EQ(fields.body, c.body);
        EXPECT_EQ(reader.LeftOut(), c.leftOut);
        reader.CloseAfterRead(0, error);
    }
}

} // namespace
