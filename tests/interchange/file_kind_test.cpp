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

enum class Reader { Usms, Xml, Json };

Reader ReaderOf(FileKind kind) {
    const std::unique_ptr<BackupFile> reader = MakeReader(kind);
    if (dynamic_cast<XmlBackupFile*>(reader.get()) != nullptr) {
        return Reader::Xml;
    }
    return dynamic_cast<JsonBackupFile*>(reader.get()) != nullptr ? Reader::Json : Reader::Usms;
}

TEST(FileKind, EveryKindIsToldApartNamedAndGivenItsReader) {
    using enum FileKind;
    const std::string declaration = "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n";
    const std::string header(20, '\x01'); // a digest that fits nothing, and a total
    // clang-format off
    const std::tuple<std::string, FileKind, std::string, Reader> cases[] = {
        {declaration + "<smses count=\"1\">", Xml, "an XML file", Reader::Xml},
        {"\xEF\xBB\xBF\n  <smses/>", Xml, "an XML file", Reader::Xml},
        {"<!-- a phone's note --><smses/>", Xml, "an XML file", Reader::Xml},
        {Utf16("<smses/>", true), Xml, "an XML file", Reader::Xml},
        {Utf16("<smses/>", false), Xml, "an XML file", Reader::Xml},
        // A head that ends inside a comment does not tell its root: read as the markup begins.
        {declaration + "<!-- " + std::string(5000, 'x'), Xml, "an XML file", Reader::Xml},
        {"<html><sms/></html>", OtherXml, "an XML file", Reader::Usms},
        {declaration + "<!-- File Created By a phone -->\n<calls count=\"2\">", CallLog,
         "a phone call log", Reader::Xml},
        {declaration + "<!DOCTYPE calls>\r\n<calls/>", CallLog, "a phone call log", Reader::Xml},
        {"<calls>", CallLog, "a phone call log", Reader::Xml},
        {Utf16("<?xml version='1.0'?><calls count='1'>", true), CallLog, "a phone call log",
         Reader::Xml},
        {declaration + "<callsign/>", Xml, "an XML file", Reader::Xml},
        {"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\n", Contacts, "a contacts file (vCard)",
         Reader::Usms},
        {"\xEF\xBB\xBF\n begin:vcard\n", Contacts, "a contacts file (vCard)", Reader::Usms},
        {" {\"body\":\"\"}", JsonLines, "a JSON file", Reader::Json},
        {"  [{\"body\": \"hi\"}]", OtherJson, "a JSON file", Reader::Usms},
        {"\xEF\xBB\xBF\"Class Name\",\"Folder\"\r\n", CsvExport, "a CSV export", Reader::Usms},
        {Utf16("Sender: Anna", true), TextExport, "a text export", Reader::Usms},
        {header + "IPM.SMStext\n", AnsiBackup, "an ANSI backup (.sms)", Reader::Usms},
        {header + "I\0P\0M\0.\0"s, DamagedUnicodeBackup, "a damaged Unicode backup",
         Reader::Usms},
        {"", Empty, "an empty file", Reader::Usms},
        {"Total: 3", Unknown, "a file of an unknown kind", Reader::Usms},
        {std::string(20, '\0'), Unknown, "a file of an unknown kind", Reader::Usms},
    };
    // clang-format on
    TempDir dir;
    for (const auto& [head, kind, described, reader] : cases) {
        SCOPED_TRACE(head.substr(0, 80));
        EXPECT_EQ(SniffBytes(head, head.size()), kind);
        WriteHostFile(dir.path() / "x.usms", head); // the name misleads
        EXPECT_EQ(SniffFile(dir.file("x.usms")), kind);
        EXPECT_EQ(DescribeKind(kind), described);
        EXPECT_EQ(ReaderOf(kind), reader);
        const std::string hint = NotABackupHint(kind);
        EXPECT_TRUE(hint.find(described) != std::string::npos) << hint;
    }
    std::vector<MemoryRecord> none;
    UnicodeBackupFile usms;
    ASSERT_TRUE(RunBackup(usms, dir.file("x.json"), none).ok);
    EXPECT_EQ(SniffFile(dir.file("x.json")), UnicodeBackup);
    EXPECT_EQ(ReaderOf(UnicodeBackup), Reader::Usms);
    EXPECT_EQ(NotABackupHint(UnicodeBackup), "");
    EXPECT_EQ(SniffFile(dir.file("missing")), Unknown);
}

} // namespace
