// The command-line tool's tests share this: a demo handset and an empty one in a fresh folder,
// and ways to make and read back the files they give it.
#pragma once

#include "cli_runner.h"
#include "files/unicode_backup_file.h"
#include "platform/utf.h"
#include "support/backup_runs.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

inline bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every file of a folder with its bytes.
inline std::map<fs::path, std::string> Snapshot(const fs::path& folder) {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path()] = ReadHostFile(entry.path());
        }
    }
    return files;
}

// A demo handset and an empty one in a fresh folder.
class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunCliOn(demo(), {"device", "init", "--demo"}).status, 0);
        ASSERT_EQ(RunCliOn(empty(), {"device", "init"}).status, 0);
    }
    fs::path demo() const { return dir_.path() / "demo"; }
    fs::path empty() const { return dir_.path() / "empty"; }
    std::string file(const std::string& name) const { return (dir_.path() / name).string(); }
    std::string backup(const fs::path& device, const std::string& format, const std::string& name,
                       const std::string& folders = "draft,inbox,outbox,sentedbox,wastebox") {
        const CliResult r =
            RunCliOn(device, {"backup", format, file(name), "--folders=" + folders});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        return ReadHostFile(file(name));
    }
    // A Unicode backup made without the tool, of these messages and count copies of the worked
    // example (110 bytes a record).
    std::string backup(const std::string& name, int count,
                       std::vector<MemoryRecord> messages = {}) {
        while (count-- > 0) {
            messages.push_back(WorkedExampleMessage());
        }
        UnicodeBackupFile format;
        EXPECT_TRUE(RunBackup(format, utf::Utf16(file(name)), messages).ok);
        return ReadHostFile(file(name));
    }

    TempDir dir_;
};
