#include "files/file_access.h"
#include "files/file_stream.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "resources/string_table.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

using faults::FileOp;

// Transfers that move fewer bytes than asked are continued; one that moves nothing yet reports
// success is a failure with a text that says so, not an endless loop or a silent success; a read
// that meets the end fails with the end-of-file text. A transfer of nothing makes no call at all.
TEST(FileAccess, ShortTransfersCompleteAndAnEmptyWriteOrReadFails) {
    TempDir dir;
    const faults::FileFaultGuard guard;
    HANDLE h = CreateForWriting(dir.file("w"));
    faults::ArmShortTransfer(FileOp::Write, 1, 1, true);
    EXPECT_TRUE(WriteU32(h, 0x04030201));
    EXPECT_EQ(faults::FileCallCount(FileOp::Write), 4);
    faults::ArmShortTransfer(FileOp::Write, 1, 0);
    EXPECT_FALSE(WriteU32(h, 7));
    EXPECT_EQ(ErrorText(), u"The system cannot write to the specified device.");
    faults::ArmFileFault(FileOp::Write, 1, ERROR_DISK_FULL);
    EXPECT_FALSE(WriteU32(h, 7));
    EXPECT_EQ(ErrorText(), u"There is not enough space on the disk.");
    EXPECT_TRUE(WriteU32(h, 0x08070605)); // the fault was once: the next write goes through
    MarkComplete(h);
    CloseIfValid(h);
    EXPECT_EQ(ReadHostFile(dir.path() / "w"), "\x01\x02\x03\x04\x05\x06\x07\x08");

    h = OpenForReading(dir.file("w"));
    faults::ArmShortTransfer(FileOp::Read, 1, 3, true);
    DWORD first = 0;
    DWORD second = 0;
    EXPECT_TRUE(ReadU32(h, first) && ReadU32(h, second));
    EXPECT_EQ(first, 0x04030201u);
    EXPECT_EQ(second, 0x08070605u);
    ASSERT_TRUE(SeekFile(h, 6, FILE_BEGIN));
    DWORD value = 0xDEADBEEF;
    EXPECT_FALSE(ReadU32(h, value)); // two bytes, then a read of 0 bytes
    EXPECT_EQ(value, 0xDEADBEEFu);   // untouched on failure
    EXPECT_EQ(ErrorText(), u"Reached the end of the file.");
    EXPECT_TRUE(CloseIfValid(h));
    EXPECT_EQ(h, 0u);
    EXPECT_FALSE(CloseIfValid(h));
    HANDLE invalid = INVALID_HANDLE_VALUE;
    EXPECT_FALSE(CloseIfValid(invalid));
    EXPECT_EQ(invalid, INVALID_HANDLE_VALUE);
    SetLastError(0x7777);
    EXPECT_EQ(ErrorText(), u""); // a code without a text
    faults::ArmFileFault(FileOp::Any, 1, ERROR_WRITE_FAULT, true);
    EXPECT_TRUE(WriteAll(0, "x", 0));
    EXPECT_TRUE(WriteAll(0, nullptr, 5));
    EXPECT_TRUE(ReadExactly(0, nullptr, 4));
    EXPECT_EQ(faults::FileCallCount(FileOp::Any), 0);
}

// A new file takes the old one's place only when marked complete; until then it lies beside it,
// and an unfinished one is removed when closed.
TEST(FileAccess, CreateReplacesAnExistingFileOnlyWithACompleteOneAndTextsUseTheCodePage) {
    TempDir dir;
    const std::filesystem::path old = dir.path() / "old";
    WriteHostFile(old, "old content");
    for (const bool complete : {false, true}) {
        HANDLE h = CreateForWriting(dir.file("old"));
        DWORD size = 1;
        EXPECT_TRUE(FileSize(h, size) && size == 0);
        {
            const faults::FileFaultGuard disarm; // a size that cannot be learnt is no size
            faults::ArmFileFault(FileOp::Size, 1, ERROR_DISK_FULL);
            EXPECT_FALSE(FileSize(h, size));
        }
        EXPECT_TRUE(WriteAnsiText(h, complete ? u"new" : u"half"));
        EXPECT_EQ(ReadHostFile(old), "old content");
        EXPECT_TRUE(std::filesystem::exists(dir.path() / "old.partial"));
        EXPECT_TRUE(!complete || MarkComplete(h));
        EXPECT_TRUE(CloseIfValid(h));
        EXPECT_EQ(ReadHostFile(old), complete ? "new" : "old content");
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "old.partial"));
    }
    EXPECT_EQ(OpenForReading(dir.file("absent")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorText(), u"The system cannot find the file specified.");
    // Texts use the active code page and stop at the first NUL.
    SetActiveCodePage(1252);
    HANDLE h = CreateForWriting(dir.file("l"));
    EXPECT_TRUE(WriteLine(h, u"caf\u00E9 \u4E2D"));
    EXPECT_TRUE(WriteAnsiText(h, u"end"));
    EXPECT_TRUE(WriteAnsiText(h, u"")); // an empty text writes nothing and succeeds
    MarkComplete(h);
    CloseIfValid(h);
    EXPECT_EQ(WideToAnsi(std::u16string(u"ab\0cd", 5)), "ab");
    EXPECT_EQ(WideToAnsi(u"\U0001F600!\xD800x"),
              "?!?x"); // a pair is one character, a lone unit too
    EXPECT_EQ(ReadHostFile(dir.path() / "l"), "caf\xE9 ?\nend");
    // In the code page 932 bytes, 0x7B stands as "{": an escape would run on into "abc".
    const std::tuple<UINT, std::u16string, std::string> cases[] = {
        {1252, u"caf\u00E9 \u20AC", "caf\xE9 \x80"}, {932, u"\u65E5\u672Cabc", "\x93\xFA\x96{abc"}};
    for (const auto& [codePage, text, bytes] : cases) {
        SetActiveCodePage(codePage);
        EXPECT_EQ(WideToAnsi(text), bytes) << codePage;
        EXPECT_EQ(AnsiToWide(bytes), text) << codePage;
    }
    SetActiveCodePage(0);
    EXPECT_EQ(NumberToText(-2147483647 - 1), u"-2147483648");
    EXPECT_EQ(ResourceString(resources::kIdsMenu), u"Menu");
    EXPECT_EQ(ResourceString(4242), u"");
}

TEST(FileStream, StringsStopAtTheirFirstNulAndReadBack) {
    TempDir dir;
    FileStream out(CreateForWriting(dir.file("s")));
    const std::pair<std::u16string, std::u16string> texts[] = {
        {std::u16string(u"ab\0cd", 5), u"ab"}, {u"", u""}, {u"\U0001F600", u"\U0001F600"}};
    for (const auto& [text, back] : texts) {
        EXPECT_TRUE(out.writeString(text));
    }
    EXPECT_TRUE(out.writeFileTime(FILETIME{1, 2}));
    EXPECT_TRUE(MarkComplete(out.handle()));
    EXPECT_TRUE(out.close());
    EXPECT_EQ(out.handle(), 0u);
    EXPECT_EQ(ReadHostFile(dir.path() / "s"),
              std::string("a\0b\0\0\0\0\0\x3D\xD8\x00\xDE\0\0\1\0\0\0\2\0\0\0", 22));

    FileStream in(OpenForReading(dir.file("s")));
    for (const auto& [text, back] : texts) {
        std::u16string read = u"junk";
        EXPECT_TRUE(in.readString(read));
        EXPECT_EQ(read, back);
    }
    FILETIME time;
    EXPECT_TRUE(in.readFileTime(time));
    EXPECT_EQ(time, (FILETIME{1, 2}));
    in.close();
    // A string that the file ends in the middle of: ok() turns false, and every later read fails.
    WriteHostFile(dir.path() / "t", std::string("h\0i\0", 4));
    FileStream cut(OpenForReading(dir.file("t")));
    std::u16string text;
    EXPECT_FALSE(cut.readString(text));
    EXPECT_EQ(text, u"hi");
    EXPECT_FALSE(cut.ok());
    DWORD value = 0;
    EXPECT_FALSE(cut.readU32(value));
    cut.close();
}

TEST(FileStream, OkFlagIsNotStickyAndAStreamWithoutFileDoesNotClose) {
    TempDir dir;
    const faults::FileFaultGuard guard;
    FileStream out(CreateForWriting(dir.file("n")));
    faults::ArmFileFault(faults::FileOp::Write, 1, ERROR_DISK_FULL);
    EXPECT_FALSE(out.writeU32(1));
    EXPECT_FALSE(out.ok());
    EXPECT_TRUE(out.writeU32(2));
    EXPECT_TRUE(out.ok()); // only the last operation counts
    EXPECT_TRUE(out.close());
    FileStream none;
    EXPECT_FALSE(none.close());
    EXPECT_EQ(none.handle(), 0u);
}

} // namespace
