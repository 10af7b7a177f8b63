// The tool run by a user who may not write the handset (nobody, when the tests run as root):
// the reading commands print what they print for the handset's owner, and every command that
// would write says which folder it cannot write and why, never that the handset is busy.
#include "cli_runner.h"
#include "support/other_user.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(ReadOnlyHandset, ReadingCommandsWorkAndWritingOnesSayWhyNot) {
    const TempDir dir;
    const fs::path device = dir.path() / "device";
    const std::string backup = (dir.path() / "a.usms").string();
    ASSERT_EQ(RunCliOn(device, {"device", "init", "--demo"}).status, 0);
    ASSERT_EQ(RunCliOn(device, {"settings", "--folders", "inbox,sentedbox"}).status, 0);
    ASSERT_EQ(RunCliOn(device, {"backup", "usms", backup}).status, 0);
    const std::vector<std::string> reading[] = {
        {"device", "list"}, {"restore", "--dry-run", backup}, {"settings"}};
    std::vector<CliResult> owners;
    for (const auto& args : reading) {
        owners.push_back(RunCliOn(device, args));
        ASSERT_EQ(owners.back().status, 0) << args[0] << owners.back().err;
    }
    EXPECT_TRUE(Has(owners[0].out, "Hi! Are we still on for lunch tomorrow?"));
    EXPECT_EQ(owners[1].out, "Dry run: 0 to add, 33 to replace.\n");
    EXPECT_TRUE(Has(owners[2].out, "Inbox: selected\nOutbox: not selected\n"));

    const UnwritableTree tree(dir.path());
    if (!tree.holds()) {
        ASSERT_FALSE(ReaderIsNobody()) << "nobody can write the test folder";
        GTEST_SKIP() << "this user can write any folder";
    }
    ASSERT_EQ(RunCliAsReader(device, {"--version"}).status, 0)
        << "the reader cannot run msgkeeper-cli; its build folder must be open to every user";
    for (std::size_t i = 0; i < std::size(reading); ++i) {
        SCOPED_TRACE(reading[i][0]);
        const CliResult r = RunCliAsReader(device, reading[i]);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, owners[i].out);
        EXPECT_EQ(r.err, "");
    }
    const std::string why =
        "cannot write to the handset folder " + device.string() + ": job.lock: Permission denied";
    const std::vector<std::string> writing[] = {
        {"backup", "usms", (dir.path() / "b.usms").string()},
        {"restore", backup},
        {"device", "init"},
        {"device", "init", "--demo"},
    };
    for (const auto& args : writing) {
        SCOPED_TRACE(args.back());
        const CliResult r = RunCliAsReader(device, args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(Has(r.out + r.err, why)) << r.out << r.err;
        EXPECT_FALSE(Has(r.out + r.err, "busy"));
    }
    const CliResult settings = RunCliAsReader(device, {"settings", "--folders", "inbox"});
    EXPECT_EQ(settings.status, 1);
    EXPECT_EQ(settings.err, "msgkeeper-cli: cannot write settings.dat on the handset at " +
                                device.string() + ": Access is denied.\n");
    EXPECT_EQ(RunCliAsReader(device, {"settings"}).out, owners[2].out);
}

} // namespace
