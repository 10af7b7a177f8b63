#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/sizes.h"
#include "platform/time.h"
#include "platform/utf.h"
#include "support/time_zone_guard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

namespace {

// The conversions themselves are checked through the file layer's WideToAnsi and AnsiToWide.
TEST(CodePage, SizesCountTheTerminatorAndTheLocaleChoosesTheCodePage) {
    SetActiveCodePage(1252);
    // The size counts the terminator; a buffer too small for it fails.
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"ab", -1, nullptr, 0, nullptr, nullptr), 3);
    char buffer[2];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"ab", -1, buffer, 2, nullptr, nullptr), 0);
    const char* saved = std::getenv("LC_ALL");
    const std::string keep = saved != nullptr ? saved : ""; // empty is as good as unset
    SetActiveCodePage(0); // the locale's again, as the other tests expect
    for (const auto& [locale, codePage] :
         {std::pair{"ja_JP.UTF-8", 932u}, std::pair{"ru_RU", 1251u}, std::pair{"C.UTF-8", 1252u}}) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(GetACP(), codePage) << locale;
    }
    setenv("LC_ALL", keep.c_str(), 1);
}

// Every place in and around the blocks the search takes at once, and a unit whose low byte alone
// is zero.
TEST(Utf, FirstNulUnitIsFoundWhereverItStands) {
    EXPECT_EQ(utf::FirstNulUnit(u"\u0100\u2000abcdefgh"), 10u);
    EXPECT_EQ(utf::FirstNulUnit(std::u16string(37, u'\u0100')), 37u);
    for (std::size_t at = 0; at < 37; ++at) {
        std::u16string text(37, u'\u0100');
        text[at] = u'\0';
        text.back() = u'\0'; // a later one is not the first
        EXPECT_EQ(utf::FirstNulUnit(text), at) << at;
    }
}

// ASCII goes many characters at a step: one other character at every place of a long text, a
// unit whose low byte alone is ASCII (U+0141) among them, must stop the step where it stands.
TEST(Utf, OneOtherCharacterAnywhereInALongAsciiTextConverts) {
    for (std::size_t at = 0; at <= 40; ++at) {
        std::string utf8(40, 'a');
        std::u16string utf16(40, u'a');
        utf8.insert(at, "\xC5\x81");
        utf16.insert(at, u"\u0141");
        std::string narrowed;
        std::u16string widened;
        EXPECT_TRUE(utf::ToUtf8(utf16, narrowed));
        EXPECT_EQ(narrowed, utf8) << at;
        EXPECT_TRUE(utf::ToUtf16(utf8, widened));
        EXPECT_EQ(widened, utf16) << at;
    }
}

TEST(Utf, ConvertsAndMarksWhatDoesNotConvertAndHostBytesRoundTrip) {
    // clang-format off
    const std::tuple<std::u16string, std::string, bool> cases[] = {
        {u"A\u00E9\u20AC", "A\xC3\xA9\xE2\x82\xAC", true},
        {u"\U0001F600z", "\xF0\x9F\x98\x80z", true},
        {u"\xD83Dx", "\xEF\xBF\xBDx", false}, {u"x\xDE00", "x\xEF\xBF\xBD", false},
    };
    // clang-format on
    for (const auto& [text, utf8, clean] : cases) {
        std::string out;
        std::u16string back;
        EXPECT_EQ(utf::ToUtf8(text, out), clean);
        EXPECT_EQ(out, utf8);
        EXPECT_TRUE(utf::ToUtf16(out, back));
        EXPECT_EQ(back == text, clean);
    }
    // Overlong forms, a cut sequence, a surrogate, a byte that starts nothing, past U+10FFFF.
    for (const char* bad : {"\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xE0\x9F\xBF", "\xE2\x82",
                            "\xED\xA0\x80", "\xFF", "\xF4\x90\x80\x80"}) {
        std::u16string wide;
        EXPECT_FALSE(utf::ToUtf16(bad, wide)) << bad;
        EXPECT_NE(wide.find(u'\uFFFD'), std::u16string::npos);
    }
    // Host bytes that do not decode stand for themselves, so host names survive any bytes.
    std::string every;
    for (int b = 1; b < 256; ++b) {
        every.push_back(static_cast<char>(b));
    }
    std::string back;
    ASSERT_TRUE(utf::ToHostBytes(utf::FromHostBytes(every + "caf\xC3\xA9\xED\xA0\x80\xC3"), back));
    EXPECT_EQ(back, every + "caf\xC3\xA9\xED\xA0\x80\xC3");
    EXPECT_EQ(utf::FromHostBytes("a\xFF\xC3\xA9"), u"a\xDCFF\u00E9");
    for (const std::u16string bad : {u"\xD83D", u"x\xDC7F", u"\xDE00"}) {
        EXPECT_FALSE(utf::ToHostBytes(bad, back)); // names no byte
    }
}

TEST(Sizes, LengthsThatDoNotFit32BitsAreRefused) {
    const std::tuple<std::size_t, std::size_t, std::size_t, bool, std::uint32_t> cases[] = {
        {0, 0x7FFFFFFF, 2, true, 0xFFFFFFFEu},  {0, 0x80000000, 2, false, 0},
        {3, 0x3FFFFFFF, 4, true, 0xFFFFFFFFu},  {4, 0x3FFFFFFF, 4, false, 0},
        {0, std::size_t{1} << 40, 1, false, 0}, {0xFFFFFFFF, 0, 16, true, 0xFFFFFFFFu},
        {std::size_t{1} << 33, 0, 1, false, 0},
    };
    for (const auto& [header, count, unit, fits, bytes] : cases) {
        std::uint32_t got = 7;
        EXPECT_EQ(sizes::Length32(header, count, unit, got), fits) << count;
        EXPECT_EQ(got, fits ? bytes : 7u) << count;
    }
}

std::u16string Message(DWORD code) {
    char16_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, 0x400, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::u16string result = length > 0 ? std::u16string(text, length) : u"";
    LocalFree(text);
    return result;
}

TEST(ErrorTexts, EveryCodeTheSubstituteSetsHasATextAndLastErrorIsPerThread) {
    for (const DWORD code :
         {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE,
          ERROR_HANDLE_EOF, ERROR_DISK_FULL, ERROR_SHARING_VIOLATION, ERROR_INVALID_NAME,
          ERROR_NEGATIVE_SEEK, ERROR_WRITE_FAULT, ERROR_IO_DEVICE, ERROR_INVALID_PARAMETER}) {
        EXPECT_FALSE(Message(code).empty()) << code;
    }
    EXPECT_EQ(Message(ERROR_HANDLE_EOF), u"Reached the end of the file.");
    EXPECT_EQ(Message(0x1234567) + Message(99999), u"");
    SetLastError(ERROR_DISK_FULL);
    DWORD seen = 1;
    std::thread([&] {
        seen = GetLastError();
        SetLastError(ERROR_ACCESS_DENIED);
    }).join();
    EXPECT_EQ(seen, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

constexpr std::uint64_t kLast = 0x7FFFFFFFFFFFFFFFULL;

TEST(FileTime, SplitsIntoCalendarFieldsAndAddsTheLocalOffsetInForce) {
    const std::pair<std::uint64_t, SYSTEMTIME> cases[] = {
        // year, month, day of week, day, hour, minute, second, milliseconds
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
        {128807104891230000ULL, {2009, 3, 4, 5, 7, 8, 9, 123}},
        {kLast, {30828, 9, 4, 14, 2, 48, 5, 477}},
    };
    for (const auto& [ticks, fields] : cases) {
        const FILETIME time = U64ToFileTime(ticks);
        SYSTEMTIME got{};
        ASSERT_TRUE(FileTimeToSystemTime(&time, &got));
        EXPECT_EQ(std::memcmp(&got, &fields, sizeof(SYSTEMTIME)), 0) << got.wYear << " " << ticks;
        FILETIME back{};
        ASSERT_TRUE(SystemTimeToFileTime(&fields, &back));
        EXPECT_EQ(FileTimeToU64(back), ticks - ticks % 10'000); // fields keep milliseconds only
    }
    for (const std::uint64_t ticks : {kLast + 1, kLast * 2 + 1}) { // from 2^63 on, no fields
        const FILETIME time = U64ToFileTime(ticks);
        SYSTEMTIME got{};
        got.wYear = 1999;
        EXPECT_FALSE(FileTimeToSystemTime(&time, &got));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(got.wYear, 1999);
    }
    // Local time: the rows change the zone from one to the next, so a zone kept from an earlier
    // call shows.
    const std::tuple<const char*, std::uint64_t, std::int64_t, bool> zones[] = {
        // The switch to summer time, 2009-03-29 01:00 UTC.
        {kCentralEurope, FileTimeToU64(UtcTime(2009, 3, 29, 0, 59, 59)), 3600, true},
        {kCentralEurope, FileTimeToU64(UtcTime(2009, 3, 29, 1, 0, 0)), 7200, true},
        {"EST5EDT,M3.2.0,M11.1.0", FileTimeToU64(UtcTime(2009, 7, 1, 12, 0, 0)), -14400, true},
        {"JST-9", FileTimeToU64(UtcTime(2009, 7, 1, 12, 0, 0)), 9 * 3600, true},
        {"EST5", 0, 0, false},
        {"JST-9", kLast, 0, false},
        {"UTC0", kLast + 1, 0, false}};
    const TimeZoneGuard restore("UTC0");
    for (const auto& [zone, ticks, offsetSeconds, converts] : zones) {
        ::setenv("TZ", zone, 1); // without tzset: the conversion must see the change itself
        const FILETIME utc = U64ToFileTime(ticks);
        FILETIME local{3, 3};
        EXPECT_EQ(FileTimeToLocalFileTime(&utc, &local) != FALSE, converts) << zone << ticks;
        EXPECT_EQ(FileTimeToU64(local),
                  converts ? ticks + offsetSeconds * 10'000'000 : 0x0000000300000003ULL)
            << zone << " " << ticks;
    }
}

} // namespace
