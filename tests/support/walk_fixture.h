// The handset of the mail-library, store and job tests: a fresh temporary device holding the
// store "SMS", seeding and reading helpers over the device kit, and two format doubles. Every
// test must give back each buffer, reference and logon it took.
#pragma once

#include "devkit/mapi_accounting.h"
#include "devkit/mapi_admin.h"
#include "files/backup_file.h"
#include "files/file_access.h"
#include "platform/mapi/mapi_faults.h"
#include "platform/mapi/mapi_ptr.h"
#include "store/job_view.h"
#include "store/message_store.h"
#include "support/other_user.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

using mapi_admin::ObjectId;
using mapi_faults::Kind;
using mapi_faults::Op;

inline mapi_admin::SeedMessage SampleMessage(std::u16string body, std::uint64_t delivery) {
    return {.body = std::move(body),
            .flags = MSGFLAG_READ,
            .lastModified = U64ToFileTime(delivery + 1),
            .deliveryTime = U64ToFileTime(delivery),
            .senderEmail = u"\"Ann\" <+4912345>",
            .senderName = u"Ann",
            .size = 42,
            .recipients = {{u"+4911111", u"Bob", MAPI_TO}, {u"+4922222", u"Cy", MAPI_CC}}};
}

using Texts = std::vector<std::u16string>;

// The texts joined by "|".
inline std::u16string Joined(const Texts& parts) {
    std::u16string result;
    for (const auto& part : parts) {
        result += (result.empty() ? u"" : u"|") + part;
    }
    return result;
}

// A property value of tag; the text, when given, must outlive it.
inline SPropValue Prop(ULONG tag, const char16_t* text = nullptr) {
    SPropValue value{};
    value.ulPropTag = tag;
    value.Value.lpszW = const_cast<LPWSTR>(text);
    return value;
}

inline HRESULT SetSubject(IMessage* message, const char16_t* body) {
    SPropValue value = Prop(PR_SUBJECT_W, body);
    return message->SetProps(1, &value, nullptr);
}

// Reads one property of object into value; returns what GetProps returned.
inline HRESULT GetOne(IMAPIProp* object, ULONG tag, MapiBuffer<SPropValue>& value) {
    SizedSPropTagArray<1> tags{1, {tag}};
    ULONG count = 0;
    return object->GetProps(tags.ptr(), MAPI_UNICODE, &count, value.put());
}

// Asks for the entry identifier, which stores a created message at once, unlisted.
inline bool HasEntryId(IMAPIProp* object) {
    MapiBuffer<SPropValue> value;
    return GetOne(object, PR_ENTRYID, value) == S_OK && value[0].Value.bin.cb > 0;
}

// A session on the store "SMS" with what a job lends the walk and the restore.
struct StoreRun {
    explicit StoreRun(BackupFile& format) : view{format, current, total, resultText} {}
    MessageStore store{kSmsStoreName};
    std::u16string resultText;
    std::atomic<DWORD> current{0};
    std::atomic<DWORD> total{0};
    JobView view;
};

class WalkFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(ResetStore()); }

    void TearDown() override {
        mapi_faults::Disarm();
        mapi_faults::StopRecording();
        ExpectNothingHeld();
    }

    // Every buffer, reference and logon taken has been given back.
    static void ExpectNothingHeld() {
        EXPECT_EQ(mapi_accounting::OutstandingBuffers(), 0);
        EXPECT_EQ(mapi_accounting::OutstandingReferences(), 0);
        EXPECT_EQ(mapi_accounting::ActiveLogons(), 0);
    }

    // A new store database with the empty store "SMS"; no session may be open.
    void ResetStore() {
        mapi_faults::ResetCounts();
        ASSERT_TRUE(mapi_admin::CreateDeviceStore());
        sms_ = mapi_admin::FindStore(u"SMS");
        ASSERT_NE(sms_, 0);
    }

    ObjectId special(SpecialFolder which) const {
        return mapi_admin::SpecialFolder(
            sms_, kSpecialFolders[static_cast<std::size_t>(which)].storeProperty);
    }
    ObjectId inboxId() const { return special(SpecialFolder::Inbox); }

    // Adds messages whose bodies are prefix1, prefix2, ... with delivery times 10 apart.
    static void Seed(ObjectId folder, const std::u16string& prefix, int count,
                     std::uint64_t firstTime = 1000, bool withRecipients = true) {
        std::vector<mapi_admin::SeedMessage> messages;
        for (int i = 1; i <= count; ++i) {
            messages.push_back(SampleMessage(prefix + NumberToText(i),
                                             firstTime + static_cast<std::uint64_t>(i) * 10));
            if (!withRecipients) {
                messages.back().recipients.clear();
            }
        }
        ASSERT_EQ(mapi_admin::AddMessages(folder, messages).size(), messages.size());
    }

    // The bodies of a folder's listed messages, in table order.
    static Texts Bodies(ObjectId folder) {
        Texts bodies;
        for (const ObjectId message : mapi_admin::Messages(folder)) {
            mapi_admin::GetText(message, PR_SUBJECT_W, bodies.emplace_back());
        }
        return bodies;
    }
    // The subfolder of parent with that display name, 0 when none.
    static ObjectId Child(ObjectId parent, const std::u16string& name) {
        for (const ObjectId folder : mapi_admin::Subfolders(parent)) {
            std::u16string text;
            if (mapi_admin::GetText(folder, PR_DISPLAY_NAME_W, text) && text == name) {
                return folder;
            }
        }
        return 0;
    }

    TempDevice device_;
    const std::filesystem::path folder_ = device_.path();
    ObjectId sms_ = 0;
    mapi_faults::FaultGuard faults_;
};

// A format whose every operation succeeds and does nothing; the doubles below override what they
// play.
class NullFormat : public BackupFile {
public:
    bool OpenForRead(std::u16string, HANDLE&, std::u16string&) override { return true; }
    bool ReadRecord(HANDLE, MessageFields&, std::vector<Recipient>&, std::u16string&) override {
        return true;
    }
    bool CheckValidation(HANDLE, std::u16string&) override { return true; }
    bool ReadTotal(HANDLE, DWORD&, std::u16string&) override { return true; }
    bool CloseAfterRead(HANDLE, std::u16string&) override { return true; }
    bool OpenForWrite(std::u16string, HANDLE&, std::u16string&) override { return true; }
    bool SkipValidationArea(HANDLE, std::u16string&) override { return true; }
    bool WriteTotal(HANDLE, DWORD, std::u16string&) override { return true; }
    bool WriteRecord(HANDLE, MessageRecord&, std::u16string&) override { return true; }
    bool WriteValidation(HANDLE, std::u16string&) override { return true; }
    bool CloseAfterWrite(HANDLE, std::u16string&) override { return true; }
};

// Records "folder path:body" of every WriteRecord; the failAt-th one (1-based) fails.
class RecordingFormat final : public NullFormat {
public:
    bool WriteRecord(HANDLE, MessageRecord& message, std::u16string& error) override {
        if (++calls == failAt) {
            error = u"write sms error, disk full";
            return false;
        }
        written.push_back(message.folderPath() + u":" + message.body());
        static_cast<void>(message.recipients()); // read as a format does
        return true;
    }
    // The written records joined by "|".
    std::u16string paths() const { return Joined(written); }

    std::vector<std::u16string> written;
    int calls = 0;
    int failAt = 0;
};

// Hands out prepared records through ReadRecord; the failAt-th read (1-based) fails.
class ScriptedFormat final : public NullFormat {
public:
    struct Entry {
        MessageFields fields;
        std::vector<Recipient> recipients;
    };

    bool ReadRecord(HANDLE, MessageFields& record, std::vector<Recipient>& recipients,
                    std::u16string& error) override {
        ++reads;
        if (beforeRead) {
            beforeRead(reads);
        }
        if (reads == failAt || next >= entries.size()) {
            error = u"read sms error, bad record";
            return false;
        }
        record = entries[next].fields;
        recipients = entries[next++].recipients;
        return true;
    }
    bool CheckValidation(HANDLE, std::u16string& error) override {
        error = valid ? u"" : u"validation failed";
        return valid;
    }
    bool ReadTotal(HANDLE, DWORD& total, std::u16string&) override {
        total = static_cast<DWORD>(entries.size());
        return true;
    }

    // Adds a record of class IPM.SMStext with one recipient.
    Entry& add(std::u16string folderPath, std::u16string body, std::uint64_t delivery) {
        return entries.emplace_back(
            Entry{{kSmsMessageClass, std::move(folderPath), U64ToFileTime(delivery + 5),
                   U64ToFileTime(delivery), MSGFLAG_READ, 7, u"Ann", u"+4912345", std::move(body)},
                  {Recipient(u"+4911111", u"Bob", MAPI_TO)}});
    }

    std::vector<Entry> entries;
    std::size_t next = 0;
    int reads = 0;
    int failAt = 0;
    std::function<void(int)> beforeRead; // called with the 1-based read number before each read
    bool valid = true;
};
