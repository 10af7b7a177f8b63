// The parts the file dialogs stand on: splitting filters, the name stem and extension, the
// storage card's root from the registry, and whether a folder holds anything.
#include "dialog_host.h"

#include "dialogs/file_names.h"
#include "dialogs/split_string.h"
#include "dialogs/storage_card.h"
#include "platform/registry.h"

class FileDialogPartsTest : public QObject {
    Q_OBJECT

private slots:
    void splitString() {
        const std::tuple<std::u16string, std::u16string, QString> cases[] = {
            {u"Text File(*.txt)|*.txt", u"|", "[Text File(*.txt)][*.txt]"},
            {u"a|", u"|", "[a][]"},
            {u"", u"|", "[]"},
            {u"|", u"|", "[][]"},
            {u"a||b", u"|", "[a][][b]"},
            {u"*.usms", u"|", "[*.usms]"},
            {u"a::b:c", u"::", "[a][b:c]"},
            {u"a|b", u"", "[a|b]"}};
        for (const auto& [text, separator, pieces] : cases) {
            QString joined;
            for (const std::u16string& piece : SplitString(text, separator)) {
                joined += "[" + gui_test::QText(piece) + "]";
            }
            QCOMPARE(joined, pieces);
        }
    }

    // The stem of a default name (after its folder, before its last dot), and the extension
    // of a pattern.
    void nameStemAndExtension() {
        const std::pair<std::u16string, QString> stems[] = {
            {u"Msgkeeper_200935147.*", "Msgkeeper_200935147"},
            {u"\\dir\\name.x", "name"},
            {u"a.b.c", "a.b"},
            {u"name", ""},
            {u"\\dir.x\\name", ""},
            {u".*", ""}};
        for (const auto& [name, stem] : stems) {
            QCOMPARE(gui_test::QText(NameStem(name)), stem);
        }
        QCOMPARE(gui_test::QText(PatternExtension(u"*.tar.gz")), ".gz");
        QCOMPARE(gui_test::QText(PatternExtension(u"*")), "");
    }

    void storageCardRoot() {
        const std::tuple<int, QByteArray, QString> cases[] = {
            {-1, QByteArray(), "\\\\"},
            {REG_SZ, QByteArray("C\0a\0r\0d\0\0\0", 10), "\\Card\\"},
            {REG_SZ, QByteArray("S\0D\0", 4), "\\SD\\"},  // no terminator
            {REG_SZ, QByteArray("S\0D\0x", 5), "\\SD\\"}, // an odd size
            {REG_DWORD, QByteArray("\1\0\0\0", 4), "\\\\"},
            {REG_SZ, QByteArray(), "\\\\"}};
        for (const auto& [type, bytes, root] : cases) {
            const TempDevice device;
            if (type >= 0) {
                gui_test::SetCardValue(static_cast<DWORD>(type), bytes);
            }
            QCOMPARE(gui_test::QText(StorageCardRoot()), root);
        }
    }

    void folderPresence() {
        const TempDevice device;
        QVERIFY(!IsFolderPresent(u"\\Card"));
        gui_test::MakeFiles({u"\\Card\\"});
        QVERIFY(!IsFolderPresent(u"\\Card\\"));
        gui_test::MakeFiles({u"\\Card\\Sub\\"});
        QVERIFY(IsFolderPresent(u"\\Card"));
        QVERIFY(IsFolderPresent(u"\\Card\\"));
        QVERIFY(!IsStorageCardPresent()); // no registry value names it yet
        gui_test::SetCardFolder(u"Card");
        QVERIFY(IsStorageCardPresent());
    }
};

MSGKEEPER_GUI_TEST_MAIN(FileDialogPartsTest)
#include "file_dialog_parts_test.moc"
