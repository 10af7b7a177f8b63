// A format that hands every operation to another one, for tests that change one step of a real
// format: derive, override that step, and call the base for the rest.
#pragma once

#include "files/backup_file.h"

class ForwardingFormat : public BackupFile {
    using Text = std::u16string; // keeps each forwarder to one line

public:
    explicit ForwardingFormat(BackupFile& inner) : in_(inner) {}

    bool OpenForRead(Text p, HANDLE& h, Text& e) override { return in_.OpenForRead(p, h, e); }
    bool ReadRecord(HANDLE h, MessageFields& r, std::vector<Recipient>& l, Text& e) override {
        return in_.ReadRecord(h, r, l, e);
    }
    bool CheckValidation(HANDLE h, Text& e) override { return in_.CheckValidation(h, e); }
    bool ReadTotal(HANDLE h, DWORD& t, Text& e) override { return in_.ReadTotal(h, t, e); }
    bool CloseAfterRead(HANDLE h, Text& e) override { return in_.CloseAfterRead(h, e); }
    bool OpenForWrite(Text p, HANDLE& h, Text& e) override { return in_.OpenForWrite(p, h, e); }
    bool SkipValidationArea(HANDLE h, Text& e) override { return in_.SkipValidationArea(h, e); }
    bool WriteTotal(HANDLE h, DWORD t, Text& e) override { return in_.WriteTotal(h, t, e); }
    bool WriteRecord(HANDLE h, MessageRecord& m, Text& e) override {
        return in_.WriteRecord(h, m, e);
    }
    bool WriteValidation(HANDLE h, Text& e) override { return in_.WriteValidation(h, e); }
    bool CloseAfterWrite(HANDLE h, Text& e) override { return in_.CloseAfterWrite(h, e); }

private:
    BackupFile& in_;
};
