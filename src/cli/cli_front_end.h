// The command-line tool's side of a job: the file comes from the command line, progress goes
// to stderr (a line redrawn in place on a terminal, an occasional line in a log, nothing when
// quiet) and the result is kept for the caller to report.
#pragma once

#include "app/launch.h"

class CliFrontEnd final : public JobFrontEnd {
public:
    CliFrontEnd(std::u16string file, bool quiet) : file_(std::move(file)), quiet_(quiet) {}

    std::u16string ChooseBackupPath(const std::u16string& filter) override;
    std::u16string ChooseRestorePath(const std::u16string& pattern) override;
    void ShowProgress(const JobProgress& progress) override;

    // The result text the job ended with and its final counters; set once ShowProgress returned.
    const std::u16string& result() const { return result_; }
    DWORD current() const { return current_; }
    DWORD total() const { return total_; }

private:
    std::u16string file_;
    bool quiet_;
    std::u16string result_;
    DWORD current_ = 0;
    DWORD total_ = 0;
};
