// The parts the file dialogs stand on: splitting filters, the name stem and extension, the
// storage card's root from the registry, and whether a folder holds anything.
#include "dialog_driving.h"
#include "gui_support.h"

#include "dialogs/file_names.h"
#include "dialogs/split_string.h"
#include "dialogs/storage_card.h"
#include "platform/registry.h"
#include "platform/unique_handle.h"
#include "support/temp_dir.h"

#include <QTest>

#include <memory>

namespace {

QStringList ToList(const std::vector<std::u16string>& pieces) {
    QStringList list;
    for (const std::u16string& piece : pieces) {
        list << QString::fromStdU16String(piece);
    }
    return list;
}

void SetCardValue(DWORD type, const std::string& bytes) {
    HKEY key = 0;
    QCOMPARE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCardKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr),
             LONG{0});
    const OwnedKey owned(key);
    RegSetValueExW(key, kCardFolderValue, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
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
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("one pair") << "Text File(*.txt)|*.txt"
                                  << "|" << QStringList{"Text File(*.txt)", "*.txt"};
        QTest::newRow("trailing separator") << "a|"
                                            << "|" << QStringList{"a", ""};
        QTest::newRow("empty text") << ""
                                    << "|" << QStringList{""};
        QTest::newRow("only a separator") << "|"
                                          << "|" << QStringList{"", ""};
        QTest::newRow("empty middle") << "a||b"
                                      << "|" << QStringList{"a", "", "b"};
        QTest::newRow("no separator") << "*.usms"
                                      << "|" << QStringList{"*.usms"};
        QTest::newRow("longer separator") << "a::b:c"
                                          << "::" << QStringList{"a", "b:c"};
        QTest::newRow("empty separator") << "a|b"
                                         << "" << QStringList{"a|b"};
    }

    void splitString() {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QStringList, pieces);
        QCOMPARE(ToList(SplitString(text.toStdU16String(), separator.toStdU16String())), pieces);
    }

    void nameStem_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stem");
        QTest::newRow("proposed name") << "Msgkeeper_200935147.*"
                                       << "Msgkeeper_200935147";
        QTest::newRow("with a folder") << "\\dir\\name.x"
                                       << "name";
        QTest::newRow("two dots") << "a.b.c"
                                  << "a.b";
        QTest::newRow("no dot") << "name"
                                << "";
        QTest::newRow("dot only in the folder") << "\\dir.x\\name"
                                                << "";
        QTest::newRow("nothing before the dot") << ".*"
                                                << "";
    }

    void nameStem() {
        QFETCH(QString, name);
        QFETCH(QString, stem);
        QCOMPARE(QString::fromStdU16String(NameStem(name.toStdU16String())), stem);
    }

    void patternExtension_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("extension");
        QTest::newRow("usms") << "*.usms"
                              << ".usms";
        QTest::newRow("last dot") << "*.tar.gz"
                                  << ".gz";
        QTest::newRow("no dot") << "*"
                                << "";
    }

    void patternExtension() {
        QFETCH(QString, pattern);
        QFETCH(QString, extension);
        QCOMPARE(QString::fromStdU16String(PatternExtension(pattern.toStdU16String())), extension);
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
            SetCardValue(static_cast<DWORD>(type), bytes.toStdString());
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

int RunFileDialogPartsTests(int argc, char** argv) {
    FileDialogPartsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "file_dialog_parts_test.moc"
