// A format that hands every operation to another one, for tests that change one step of a real
// format: derive, override that step, and call the base for the rest.
#pragma once

#include "files/backup_file.h"

class ForwardingFormat : public BackupFile {
public:
    explicit ForwardingFormat(BackupFile& inner) : inner_(inner) {}

    bool OpenForRead(std::u16string p, HANDLE& h, std::u16string& e) override {
        return inner_.OpenForRead(std::move(p), h, e);
    }
    bool ReadRecord(HANDLE h, MessageFields& r, std::vector<Recipient>& l,
                    std::u16string& e) override {
        return inner_.ReadRecord(h, r, l, e);
    }
    bool CheckValidation(HANDLE h, std::u16string& e) override {
        return inner_.CheckValidation(h, e);
    }
    bool ReadTotal(HANDLE h, DWORD& t, std::u16string& e) override {
        return inner_.ReadTotal(h, t, e);
    }
    bool CloseAfterRead(HANDLE h, std::u16string& e) override {
        return inner_.CloseAfterRead(h, e);
    }
    bool OpenForWrite(std::u16string p, HANDLE& h, std::u16string& e) override {
        return inner_.OpenForWrite(std::move(p), h, e);
    }
    bool SkipValidationArea(HANDLE h, std::u16string& e) override {
        return inner_.SkipValidationArea(h, e);
    }
    bool WriteTotal(HANDLE h, DWORD t, std::u16string& e) override {
        return inner_.WriteTotal(h, t, e);
    }
    bool WriteRecord(HANDLE h, MessageRecord& m, std::u16string& e) override {
        return inner_.WriteRecord(h, m, e);
    }
    bool WriteValidation(HANDLE h, std::u16string& e) override {
        return inner_.WriteValidation(h, e);
    }
    bool CloseAfterWrite(HANDLE h, std::u16string& e) override {
        return inner_.CloseAfterWrite(h, e);
    }

private:
    BackupFile& inner_;
};
