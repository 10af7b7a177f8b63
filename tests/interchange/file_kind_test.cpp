// The one content sniffer: every kind of file that people bring, told apart by its first bytes
// whatever its name, what each is called, and which reader takes it.
#include "files/unicode_backup_file.h"
#include "interchange/file_kind.h"
#include "interchange/json_backup_file.h"
#include "interchange/xml_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace {

using namespace std::string_literals;

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
        {declaration + "<!-- File Created By a phone -->\n<calls count=\"2\">", CallLog,
         "a phone call log", toXml},
        {declaration + "<!DOCTYPE calls>\r\n<calls/>", CallLog, "a phone call log", toXml},
        {"<calls>", CallLog, "a phone call log", toXml},
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
    ASSERT_TRUE(RunBackup(usms, dir.file("x.json"), none).ok);
    EXPECT_EQ(SniffFile(dir.file("x.json")), UnicodeBackup);
    EXPECT_TRUE(typeid(*MakeReader(UnicodeBackup)) == *toUsms);
    EXPECT_EQ(NotABackupHint(UnicodeBackup), "");
    EXPECT_EQ(SniffFile(dir.file("missing")), Unknown);
}

} // namespace
