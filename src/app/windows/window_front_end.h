// How the windows take part in a job: the Save-as or Open dialog for the file, and the progress
// dialog over the active window until the user has read the result.
#pragma once

#include "app/launch.h"

#include <string>

class WindowFrontEnd final : public JobFrontEnd {
public:
    std::u16string ChooseBackupPath(const std::u16string& filter) override;
    std::u16string ChooseRestorePath(const std::u16string& pattern) override;
    void ShowProgress(const JobProgress& progress) override;
};

// The default name of the moment, offered in the Save-as dialog over the active window with the
// filter's file type; the full path chosen, or empty when the user did not save.
std::u16string ProposeBackupName(const std::u16string& filter);
