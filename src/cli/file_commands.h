// Commands on backup files that need no handset: inspect, convert, salvage, merge and archive. The
// work is the transfer and archive layers'; these print its results, and failures on stderr with
// the file they concern.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Validates a Unicode backup, a phone XML backup or a JSON Lines file (told apart by content)
// and prints its total and every record; 0 when the whole file is valid, else 1 with the error
// text on stderr.
int InspectBackup(const std::u16string& file);

// Reads a file of any kind that inspect reads, record by record, and writes it in the named
// format; 0 on success.
int ConvertBackup(const std::u16string& file, std::string_view formatName,
                  const std::u16string& out);

// Writes every record of a damaged Unicode backup that still reads whole to a new, valid one
// and reports how many and where reading stopped; 0 when the new file was written.
int SalvageBackup(const std::u16string& file, const std::u16string& out, bool quiet);

// Writes the messages of files (of any kind that inspect reads), each once, to the Unicode
// backup out and reports how many it wrote and left out; 0 when out was written.
int MergeBackups(const std::vector<std::u16string>& files, const std::u16string& out, bool quiet);

// Writes the messages of files (of any kind that inspect reads), each once, as a web site in the
// new or empty folder dir and reports what it holds; 0 when the site was written.
int ArchiveBackups(const std::vector<std::u16string>& files, const std::u16string& dir, bool quiet);

// The line that reports a written archive and where to open it.
std::string ArchivedText(const std::string& shownDir, unsigned long long messages,
                         std::size_t conversations);
