// How the windows take part in a job: the file to write or read, and the progress dialog over
// the active window until the user has read the result.
#pragma once

#include "app/launch.h"

#include <functional>
#include <string>

class WindowFrontEnd final : public JobFrontEnd {
public:
    std::u16string ChooseBackupPath(const std::u16string& filter) override;
    std::u16string ChooseRestorePath(const std::u16string& pattern) override;
    void ShowProgress(const JobProgress& progress) override;
};

// Until the file dialogs take over, the file of a command comes from here: given the filter (a
// backup) or the pattern (a restore), the full path, or empty for a cancelled choice. Without a
// chooser a backup goes to "\My Documents\" under its default name and a restore is cancelled.
struct FileChoice {
    std::function<std::u16string(const std::u16string& filter)> backup;
    std::function<std::u16string(const std::u16string& pattern)> restore;
};
void SetFileChoice(FileChoice choice);

// The extension of a filter "description|pattern": the pattern from its last "." on.
std::u16string FilterExtension(const std::u16string& filter);
