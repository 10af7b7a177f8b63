// The parts the file dialogs stand on: splitting filters, the name stem and extension, the
// storage card's root from the registry, and whether a folder holds anything.
#include "dialog_host.h"

#include "dialogs/file_names.h"
#include "dialogs/split_string.h"
#include "dialogs/storage_card.h"
#include "platform/registry.h"
#include "platform/unique_handle.h"

namespace {

QString Joined(const std::vector<std::u16string>& pieces) {
    QStringList list;
    for (const std::u16string& piece : pieces) {
        list << "[" + QString::fromStdU16String(piece) + "]";
    }
    return list.join("");
}

} // namespace

class FileDialogPartsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { device_ = std::make_unique<TempDevice>(); }
    void cleanup() { device_.reset(); }

    void splitString_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("pieces");
        QTest::newRow("one pair") << "Text File(*.txt)|*.txt"
                                  << "|"
                                  << "[Text File(*.txt)][*.txt]";
        QTest::newRow("trailing separator") << "a|"
                                            << "|"
                                            << "[a][]";
        QTest::newRow("empty text") << ""
                                    << "|"
                                    << "[]";
        QTest::newRow("only a separator") << "|"
                                          << "|"
                                          << "[][]";
        QTest::newRow("empty middle") << "a||b"
                                      << "|"
                                      << "[a][][b]";
        QTest::newRow("no separator") << "*.usms"
                                      << "|"
                                      << "[*.usms]";
        QTest::newRow("longer separator") << "a::b:c"
                                          << "::"
                                          << "[a][b:c]";
        QTest::newRow("empty separator") << "a|b"
                                         << ""
                                         << "[a|b]";
    }

    void splitString() {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QString, pieces);
        QCOMPARE(Joined(SplitString(text.toStdU16String(), separator.toStdU16String())), pieces);
    }

    // The stem of a default name, and the extension of a pattern.
    void nameStemAndExtension_data() {
        QTest::addColumn<bool>("stem");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("part");
        QTest::newRow("proposed name") << true << "Msgkeeper_200935147.*"
                                       << "Msgkeeper_200935147";
        QTest::newRow("with a folder") << true << "\\dir\\name.x"
                                       << "name";
        QTest::newRow("two dots") << true << "a.b.c"
                                  << "a.b";
        QTest::newRow("no dot") << true << "name"
                                << "";
        QTest::newRow("dot only in the folder") << true << "\\dir.x\\name"
                                                << "";
        QTest::newRow("nothing before the dot") << true << ".*"
                                                << "";
        QTest::newRow("usms") << false << "*.usms"
                              << ".usms";
        QTest::newRow("last dot") << false << "*.tar.gz"
                                  << ".gz";
        QTest::newRow("pattern without a dot") << false << "*"
                                               << "";
    }

    void nameStemAndExtension() {
        QFETCH(bool, stem);
        QFETCH(QString, text);
        QFETCH(QString, part);
        const std::u16string found =
            stem ? NameStem(text.toStdU16String()) : PatternExtension(text.toStdU16String());
        QCOMPARE(QString::fromStdU16String(found), part);
    }

    void storageCardRoot_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("root");
        QTest::newRow("no value") << -1 << QByteArray() << "\\\\";
        QTest::newRow("folder name")
            << int(REG_SZ) << QByteArray("C\0a\0r\0d\0\0\0", 10) << "\\Card\\";
        QTest::newRow("without terminator") << int(REG_SZ) << QByteArray("S\0D\0", 4) << "\\SD\\";
        QTest::newRow("odd size") << int(REG_SZ) << QByteArray("S\0D\0x", 5) << "\\SD\\";
        QTest::newRow("not a string") << int(REG_DWORD) << QByteArray("\1\0\0\0", 4) << "\\\\";
        QTest::newRow("empty") << int(REG_SZ) << QByteArray() << "\\\\";
    }

    void storageCardRoot() {
        QFETCH(int, type);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, root);
        if (type >= 0) {
            HKEY key = 0;
            QCOMPARE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCardKeyPath, 0, nullptr, 0,
                                     KEY_ALL_ACCESS, nullptr, &key, nullptr),
                     LONG{0});
            const OwnedKey owned(key);
            RegSetValueExW(key, kCardFolderValue, 0, static_cast<DWORD>(type),
                           reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size()));
        }
        QCOMPARE(QString::fromStdU16String(StorageCardRoot()), root);
    }

    void folderPresence() {
        QVERIFY(!IsFolderPresent(u"\\Card"));
        gui_test::MakeDeviceFolder(u"\\Card");
        QVERIFY(!IsFolderPresent(u"\\Card\\"));
        gui_test::MakeDeviceFolder(u"\\Card\\Sub");
        QVERIFY(IsFolderPresent(u"\\Card"));
        QVERIFY(IsFolderPresent(u"\\Card\\"));
        QVERIFY(!IsStorageCardPresent()); // no registry value names it yet
        gui_test::SetCardFolder(u"Card");
        QVERIFY(IsStorageCardPresent());
    }

private:
    std::unique_ptr<TempDevice> device_;
};

MSGKEEPER_GUI_TEST_MAIN(FileDialogPartsTest)
#include "file_dialog_parts_test.moc"
