// A fresh emulated handset per test, with the mail library's faults disarmed afterwards and a
// check that the test gave back every buffer, reference and logon.
#pragma once

#include "devkit/mapi_accounting.h"
#include "devkit/mapi_admin.h"
#include "platform/device.h"
#include "platform/mapi/mapi.h"
#include "platform/mapi/mapi_faults.h"
#include "platform/mapi/mapi_ptr.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "msgkeeper-store-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        device::SetFolder(folder_);
        mapi_faults::ResetCounts();
        ASSERT_TRUE(mapi_admin::CreateDeviceStore());
        sms_ = mapi_admin::FindStore(u"SMS");
        ASSERT_NE(sms_, 0);
    }

    void TearDown() override {
        mapi_faults::Disarm();
        mapi_faults::StopRecording();
        EXPECT_EQ(mapi_accounting::OutstandingBuffers(), 0);
        EXPECT_EQ(mapi_accounting::OutstandingReferences(), 0);
        EXPECT_EQ(mapi_accounting::ActiveLogons(), 0);
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }

    mapi_admin::ObjectId inboxId() const {
        return mapi_admin::SpecialFolder(sms_, PR_CE_IPM_INBOX_ENTRYID);
    }

    std::filesystem::path folder_;
    mapi_admin::ObjectId sms_ = 0;
    mapi_faults::FaultGuard faults_;
};

inline mapi_admin::SeedMessage SampleMessage(std::u16string body, std::uint64_t delivery) {
    mapi_admin::SeedMessage message;
    message.body = std::move(body);
    message.flags = MSGFLAG_READ;
    message.deliveryTime = U64ToFileTime(delivery);
    message.lastModified = U64ToFileTime(delivery + 1);
    message.senderEmail = u"\"Ann\" <+4912345>";
    message.senderName = u"Ann";
    message.size = 42;
    message.recipients = {{u"+4911111", u"Bob", MAPI_TO}, {u"+4922222", u"Cy", MAPI_CC}};
    return message;
}
