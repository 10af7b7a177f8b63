// Ctrl-C and SIGTERM for the command-line tool: the first one asks the work in hand to stop
// after its current message, so that the tool can say what it did; a second one ends the
// program at once, as without the handler.
#pragma once

#include <string>

namespace interrupt {

void InstallHandlers();
// True once a stop was asked for.
bool Requested();
// The exit status of a program that stopped on request: 128 and the signal's number.
int ExitStatus();
// What a job that wrote `shown` and stopped says: the earlier file is unchanged, or nothing
// was written; job is "Backup", "Convert", "Salvage" or "Merge".
std::string StoppedText(const std::string& job, const std::string& shown, bool existed);
// 1234567 as "1,234,567".
std::string Grouped(unsigned long long n);

} // namespace interrupt
