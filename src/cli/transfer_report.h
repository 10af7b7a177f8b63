// How the commands on files end: a failure on stderr with the file it concerns, and a transfer
// (convert, salvage, merge, archive) that did not finish turned into its lines and exit status in
// one place, whichever job it was.
#pragma once

#include "cli/interrupt.h"
#include "transfer/transfer_result.h"

#include <optional>
#include <string>

// "msgkeeper-cli: FILE: text" on stderr, and the host's reason when one is plain; 1. input,
// when given, is the file that the command reads, for an output that is the same file.
int Fail(const std::u16string& file, const std::u16string& text,
         const std::u16string* input = nullptr);

// The output as the user named it, for the line that says it is unchanged.
std::string ShownOut(const std::u16string& out);

// How one command words a transfer that did not finish.
struct TransferCommand {
    std::string job;                       // "Convert", ..., in the line of a stop
    std::u16string out;                    // the file or folder written, as the user named it
    const std::u16string* input = nullptr; // the input out may be, for the host's reason
    bool suggestSalvage = true;            // after an input's read error of a phone file
    bool errorNamesOutput = false;         // an output's failure text is the whole line
};

// The exit status of a transfer that was stopped or failed, once its lines are out (the stop's
// on stdout, the failure's on stderr); nothing when it was done, for the command's own report.
std::optional<int> UnfinishedStatus(const TransferResult& result,
                                    const interrupt::StoppableOutput& output,
                                    const TransferCommand& command);
