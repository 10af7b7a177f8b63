#include "walk_fixture.h"

#include "store/message_list.h"
#include "store/store_folder.h"
#include "store/store_message.h"

#include <ostream>

namespace {

class StoreMessageTest : public WalkFixture {
protected:
    ObjectId inbox() const { return special(SpecialFolder::Inbox); }

    // Opens the store and reads the Inbox's first message; the store outlives the call.
    StoreMessage* FirstMessage() {
        store_.emplace(kSmsStoreName);
        StoreFolder* folder = store_->inboxFolder();
        if (folder == nullptr) {
            return nullptr;
        }
        list_ = folder->messages(10);
        return list_ != nullptr && list_->next() ? list_->current() : nullptr;
    }

    void TearDown() override {
        store_.reset();
        WalkFixture::TearDown();
    }

    std::optional<MessageStore> store_;
    MessageList* list_ = nullptr;
};

struct SenderCase {
    const char* name;
    std::optional<std::u16string> email; // none: the property is missing
    const char16_t* senderName;          // empty: not stored
    const char16_t* expectedName;
    const char16_t* expectedNumber;
};
void PrintTo(const SenderCase& c, std::ostream* os) {
    *os << c.name;
}

class SenderTest : public StoreMessageTest, public ::testing::WithParamInterface<SenderCase> {};

TEST_P(SenderTest, SplitsTheSenderProperties) {
    const SenderCase& c = GetParam();
    mapi_admin::SeedMessage seed = SampleMessage(u"hi", 100);
    seed.senderEmail = c.email.value_or(u"");
    seed.senderName = c.senderName;
    const ObjectId id = mapi_admin::AddMessage(inbox(), seed);
    if (!c.email) {
        ASSERT_TRUE(mapi_admin::RemoveProperty(id, PR_SENDER_EMAIL_ADDRESS_W));
    }
    StoreMessage* message = FirstMessage();
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->senderName(), c.expectedName);
    EXPECT_EQ(message->senderNumber(), c.expectedNumber);
    // Whatever was missing, the rest of the message is there.
    EXPECT_EQ(message->body(), u"hi");
    EXPECT_EQ(FileTimeToU64(message->deliveryTime()), 100u);
}

INSTANTIATE_TEST_SUITE_P(
    Senders, SenderTest,
    ::testing::Values(SenderCase{"Item", u"\"Home\" <555>", u"Other", u"Home", u"555"},
                      SenderCase{"ItemAfterText", u"x \"Home\" <555> y", u"", u"Home", u"555"},
                      SenderCase{"BareNumber", u"+4912345", u"Ann", u"+4912345", u"+4912345"},
                      SenderCase{"EmptyAddressAndName", u"", u"Home", u"Home", u""},
                      SenderCase{"NoAddressProperty", std::nullopt, u"Home", u"Home", u""},
                      SenderCase{"NoAddressNoName", std::nullopt, u"", u"", u""},
                      SenderCase{"NonLatin", u"\"Jürgen 李\" <+86 10>", u"", u"Jürgen 李",
                                 u"+86 10"}),
    [](const ::testing::TestParamInfo<SenderCase>& info) { return info.param.name; });

struct MissingCase {
    const char* name;
    ULONG tag;
};
void PrintTo(const MissingCase& c, std::ostream* os) {
    *os << c.name;
}

class MissingPropertyTest : public StoreMessageTest,
                            public ::testing::WithParamInterface<MissingCase> {};

// A missing property makes the read return a warning; the other seven values still count.
TEST_P(MissingPropertyTest, KeepsEveryValueThatCameBack) {
    const ULONG missing = GetParam().tag;
    const ObjectId id = mapi_admin::AddMessage(inbox(), SampleMessage(u"text", 100));
    ASSERT_TRUE(mapi_admin::RemoveProperty(id, missing));
    StoreMessage* message = FirstMessage();
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->body(), missing == PR_SUBJECT_W ? u"" : u"text");
    EXPECT_EQ(message->flags(), missing == PR_MESSAGE_FLAGS ? 0u : MSGFLAG_READ);
    EXPECT_EQ(FileTimeToU64(message->deliveryTime()),
              missing == PR_MESSAGE_DELIVERY_TIME ? 0u : 100u);
    EXPECT_EQ(FileTimeToU64(message->lastModified()),
              missing == PR_LAST_MODIFICATION_TIME ? 0u : 101u);
    EXPECT_EQ(message->size(), missing == PR_MESSAGE_SIZE ? 0u : 42u);
    EXPECT_EQ(message->senderName(), u"Ann");
    EXPECT_EQ(message->senderNumber(), missing == PR_SENDER_EMAIL_ADDRESS_W ? u"" : u"+4912345");
    EXPECT_EQ(message->entryId(), mapi_admin::EntryId(id));
    EXPECT_EQ(message->messageClass(), u"IPM.SMStext");
}

INSTANTIATE_TEST_SUITE_P(Properties, MissingPropertyTest,
                         ::testing::Values(MissingCase{"SenderName", PR_SENDER_NAME_W},
                                           MissingCase{"SenderAddress", PR_SENDER_EMAIL_ADDRESS_W},
                                           MissingCase{"Subject", PR_SUBJECT_W},
                                           MissingCase{"Flags", PR_MESSAGE_FLAGS},
                                           MissingCase{"Delivery", PR_MESSAGE_DELIVERY_TIME},
                                           MissingCase{"Modified", PR_LAST_MODIFICATION_TIME},
                                           MissingCase{"Size", PR_MESSAGE_SIZE}),
                         [](const ::testing::TestParamInfo<MissingCase>& info) {
                             return info.param.name;
                         });

TEST_F(StoreMessageTest, ReadsTheEightPropertiesInOneCall) {
    mapi_admin::AddMessage(inbox(), SampleMessage(u"hi", 100));
    store_.emplace(kSmsStoreName);
    MessageList* list = store_->inboxFolder()->messages(10);
    ASSERT_NE(list, nullptr);
    mapi_faults::StartRecording();
    ASSERT_TRUE(list->next());
    std::vector<mapi_faults::Call> reads;
    for (const auto& call : mapi_faults::Recorded()) {
        if (call.op == Op::GetProps) {
            reads.push_back(call);
        }
    }
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].kind, Kind::Message);
    EXPECT_EQ(reads[0].flags, MAPI_UNICODE);
    const std::vector<ULONG> tags = {PR_ENTRYID,
                                     PR_MESSAGE_FLAGS,
                                     PR_SUBJECT_W,
                                     PR_LAST_MODIFICATION_TIME,
                                     PR_MESSAGE_DELIVERY_TIME,
                                     PR_SENDER_EMAIL_ADDRESS_W,
                                     PR_SENDER_NAME_W,
                                     PR_MESSAGE_SIZE};
    EXPECT_EQ(reads[0].tags, tags);
}

// The recipient table is asked for once; MAPI_E_NO_RECIPIENTS is an answer, kept like a list.
TEST_F(StoreMessageTest, ReadsTheRecipientsOnce) {
    const std::vector<Recipient> two = {Recipient(u"+4911111", u"Bob", MAPI_TO),
                                        Recipient(u"+4922222", u"Cy", MAPI_CC)};
    for (const bool withRecipients : {true, false}) {
        SCOPED_TRACE(withRecipients);
        mapi_admin::SeedMessage seed = SampleMessage(u"hi", 100);
        if (!withRecipients) {
            seed.recipients.clear();
        }
        mapi_admin::AddMessage(inbox(), seed);
        StoreMessage* message = FirstMessage();
        ASSERT_NE(message, nullptr);
        mapi_faults::ResetCounts();
        const std::vector<Recipient>& first = message->recipients();
        EXPECT_EQ(&message->recipients(), &first);
        EXPECT_EQ(mapi_faults::CallCount(Op::GetRecipientTable), 1);
        EXPECT_EQ(first, withRecipients ? two : std::vector<Recipient>{});
        store_.reset();
        ASSERT_TRUE(mapi_admin::CreateDeviceStore()); // a new, empty store for the next case
        sms_ = mapi_admin::FindStore(u"SMS");
    }
}

TEST_F(StoreMessageTest, RecipientRowWithoutTypeIsAPrimaryRecipient) {
    mapi_admin::AddMessage(inbox(), SampleMessage(u"hi", 100));
    store_.emplace(kSmsStoreName);
    // Write a row without PR_RECIPIENT_TYPE through the library itself.
    {
        MessageList* list = store_->inboxFolder()->messages(10);
        ASSERT_TRUE(list != nullptr && list->next());
        std::u16string address = u"+1";
        std::u16string name = u"Typeless";
        std::array<SPropValue, 2> values{};
        values[0].ulPropTag = PR_EMAIL_ADDRESS_W;
        values[0].Value.lpszW = address.data();
        values[1].ulPropTag = PR_DISPLAY_NAME_W;
        values[1].Value.lpszW = name.data();
        ADRLIST list1{1, {{0, 2, values.data()}}};
        ASSERT_EQ(list->current()->handle()->ModifyRecipients(MODRECIP_ADD, &list1), S_OK);
    }
    store_.reset();
    StoreMessage* message = FirstMessage();
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->recipients(),
              std::vector<Recipient>{Recipient(u"+1", u"Typeless", MAPI_TO)});
}

TEST_F(StoreMessageTest, MessageWithoutEntryIdentifierIsNotDeleted) {
    mapi_admin::AddMessage(inbox(), SampleMessage(u"hi", 100));
    mapi_faults::Arm(Op::GetProps, 1, MAPI_E_CALL_FAILED, false, Kind::Message);
    StoreMessage* message = FirstMessage();
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->entryId().empty());
    EXPECT_TRUE(message->body().empty());
    EXPECT_FALSE(message->deleteMessage());
    EXPECT_EQ(Bodies(inbox()), std::vector<std::u16string>{u"hi"});
}

TEST_F(StoreMessageTest, DeletesByItsEntryIdentifier) {
    mapi_admin::AddMessage(inbox(), SampleMessage(u"first", 100));
    mapi_admin::AddMessage(inbox(), SampleMessage(u"second", 200));
    store_.emplace(kSmsStoreName);
    std::unique_ptr<StoreMessage> found = store_->inboxFolder()->findMessageByDeliveryTime(200, 0);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->body(), u"second");
    EXPECT_TRUE(found->deleteMessage());
    EXPECT_EQ(Bodies(inbox()), std::vector<std::u16string>{u"first"});
    found.reset();
    // Time 0 is never looked for; an unknown time finds nothing.
    mapi_faults::ResetCounts();
    EXPECT_EQ(store_->inboxFolder()->findMessageByDeliveryTime(0, 0), nullptr);
    EXPECT_EQ(mapi_faults::CallCount(Op::QueryRows), 0);
    EXPECT_EQ(store_->inboxFolder()->findMessageByDeliveryTime(100, 1), nullptr);
    EXPECT_NE(store_->inboxFolder()->findMessageByDeliveryTime(100, 0), nullptr);
}

TEST_F(StoreMessageTest, CreatedMessageStartsEmptyAndIsListedOnceSaved) {
    store_.emplace(kSmsStoreName);
    std::unique_ptr<StoreMessage> message = store_->inboxFolder()->createMessage();
    ASSERT_NE(message, nullptr);
    mapi_faults::ResetCounts();
    EXPECT_TRUE(message->recipients().empty());
    EXPECT_EQ(mapi_faults::CallCount(Op::GetRecipientTable), 0);
    // Nothing reaches the store before the message's properties, listed or not.
    EXPECT_EQ(mapi_admin::AllMessageCount(inbox()), 0);
    message->setBody(u"new");
    EXPECT_TRUE(message->saveMessage());
    EXPECT_EQ(mapi_faults::CallCount(Op::ModifyRecipients), 0);
    EXPECT_EQ(Bodies(inbox()), std::vector<std::u16string>{u"new"});
}

} // namespace
