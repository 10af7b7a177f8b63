// Ctrl-C and SIGTERM for the command-line tool: the first one asks the work in hand to stop
// after its current message, so that the tool can say what it did; a second one ends the
// program at once, as without the handler.
#pragma once

#include <string>

namespace interrupt {

void InstallHandlers();
// True once a stop was asked for.
[[nodiscard]] bool Requested();
// The exit status of a program that stopped on request: 128 and the signal's number.
int ExitStatus();
// A command that writes one file and may be stopped: made before the work starts, it notes
// whether the file was there and installs the handlers.
class StoppableOutput {
public:
    explicit StoppableOutput(const std::u16string& out);
    // Says that the job stopped, and that the earlier file (shown as the user named it) is
    // unchanged or that nothing was written; job is "Backup", "Convert", ... The exit status.
    int Stopped(const std::string& job, const std::string& shown) const;

private:
    bool existed_;
};
// 1234567 as "1,234,567".
std::string Grouped(unsigned long long n);

} // namespace interrupt
