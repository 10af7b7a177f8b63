#include "files/file_access.h"
#include "files/file_stream.h"
#include "platform/errors.h"
#include "platform/faults.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(FileStream, StringsStopAtTheirFirstNulAndReadBack) {
    TempDir dir;
    FileStream out(CreateForWriting(dir.file("s")));
    EXPECT_TRUE(out.writeString(std::u16string(u"ab\0cd", 5)));
    EXPECT_TRUE(out.writeString(u""));
    EXPECT_TRUE(out.writeString(u"\U0001F600"));
    EXPECT_TRUE(out.writeFileTime(FILETIME{1, 2}));
    EXPECT_TRUE(MarkComplete(out.handle()));
    EXPECT_TRUE(out.close());
    EXPECT_EQ(out.handle(), 0u);
    EXPECT_EQ(ReadHostFile(dir.path() / "s"),
              std::string("a\0b\0\0\0\0\0\x3D\xD8\x00\xDE\0\0\1\0\0\0\2\0\0\0", 22));

    FileStream in(OpenForReading(dir.file("s")));
    std::u16string text = u"junk";
    EXPECT_TRUE(in.readString(text));
    EXPECT_EQ(text, u"ab");
    EXPECT_TRUE(in.readString(text));
    EXPECT_EQ(text, u"");
    EXPECT_TRUE(in.readString(text));
    EXPECT_EQ(text, u"\U0001F600");
    FILETIME time;
    EXPECT_TRUE(in.readFileTime(time));
    EXPECT_EQ(time, (FILETIME{1, 2}));
    in.close();
}

TEST(FileStream, UnterminatedStringEndsWithOkFalseAndEveryLaterReadFails) {
    TempDir dir;
    WriteHostFile(dir.path() / "t", std::string("h\0i\0", 4));
    FileStream in(OpenForReading(dir.file("t")));
    std::u16string text;
    EXPECT_FALSE(in.readString(text));
    EXPECT_EQ(text, u"hi");
    EXPECT_FALSE(in.ok());
    DWORD value = 0;
    EXPECT_FALSE(in.readU32(value));
    in.close();
}

TEST(FileStream, OkFlagIsNotSticky) {
    TempDir dir;
    const faults::FileFaultGuard guard;
    FileStream out(CreateForWriting(dir.file("n")));
    faults::ArmFileFault(faults::FileOp::Write, 1, ERROR_DISK_FULL);
    EXPECT_FALSE(out.writeU32(1));
    EXPECT_FALSE(out.ok());
    EXPECT_TRUE(out.writeU32(2));
    EXPECT_TRUE(out.ok()); // only the last operation counts
    out.close();
}

TEST(FileStream, CloseOfAStreamWithoutFileFails) {
    FileStream none;
    EXPECT_FALSE(none.close());
    EXPECT_EQ(none.handle(), 0u);
}

} // namespace
