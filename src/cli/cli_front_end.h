// The command-line tool's side of a job: the file comes from the command line, progress goes
// to stderr and the result to stdout.
#pragma once

#include "app/launch.h"

class CliFrontEnd final : public JobFrontEnd {
public:
    explicit CliFrontEnd(std::u16string file) : file_(std::move(file)) {}

    std::u16string ChooseBackupPath(const std::u16string& filter) override;
    std::u16string ChooseRestorePath(const std::u16string& pattern) override;
    void ShowProgress(const JobProgress& progress) override;

    // The result text the job ended with; empty until ShowProgress returned.
    const std::u16string& result() const { return result_; }

private:
    std::u16string file_;
    std::u16string result_;
};
