#include "cli/transfer_report.h"

#include "cli/console.h"
#include "cli/host_reason.h"
#include "cli/salvage_hint.h"
#include "platform/utf.h"

int Fail(const std::u16string& file, const std::u16string& text, const std::u16string* input) {
    console::Err(u"msgkeeper-cli: " + file + u": " + text + u"\n");
    if (const std::string reason = HostReason(file, input); !reason.empty()) {
        console::Err(u"msgkeeper-cli: " + file + u" " + utf::Utf16(reason) + u"\n");
    }
    return 1;
}

std::string ShownOut(const std::u16string& out) {
    std::string bytes;
    return utf::ToHostBytes(out, bytes) ? bytes : utf::Utf8(out);
}

std::optional<int> UnfinishedStatus(const TransferResult& result,
                                    const interrupt::StoppableOutput& output,
                                    const TransferCommand& command) {
    switch (result.outcome) {
    case TransferOutcome::Done:
        return std::nullopt;
    case TransferOutcome::Stopped:
        return output.Stopped(command.job, ShownOut(command.out));
    case TransferOutcome::InputFailed:
        Fail(result.failedFile, result.error); // the unfinished output is gone already
        if (command.suggestSalvage) {
            SuggestSalvage(result.error, result.failedFile);
        }
        return 1;
    case TransferOutcome::OutputFailed:
        break;
    }
    if (command.errorNamesOutput) {
        console::Err(u"msgkeeper-cli: " + result.error + u"\n");
        return 1;
    }
    return Fail(command.out, result.error, command.input);
}
