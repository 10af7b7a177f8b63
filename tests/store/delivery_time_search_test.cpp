// The delivery-time search sees every change of this and other connections at once.
#include "walk_fixture.h"

#include "store/message_list.h"
#include "store/store_folder.h"
#include "store/store_message.h"

namespace {

class DeliveryTimeSearchTest : public WalkFixture {
protected:
    // The bodies the Inbox's lookup table finds, by delivery time.
    static std::u16string Find(StoreFolder& folder, std::uint64_t time) {
        const FILETIME ft = U64ToFileTime(time);
        const auto message = folder.findMessageByDeliveryTime(ft.dwLowDateTime, ft.dwHighDateTime);
        return message ? message->body() : u"(none)";
    }
};

TEST_F(DeliveryTimeSearchTest, SeesChangesOfThisAndOtherConnections) {
    const ObjectId inbox = special(SpecialFolder::Inbox);
    Seed(inbox, u"I", 3); // delivery times 1010, 1020, 1030
    MessageStore store(kSmsStoreName);
    StoreFolder& folder = *store.inboxFolder();
    EXPECT_EQ(Find(folder, 1020), u"I2");

    // Another connection adds, changes and removes messages.
    mapi_admin::AddMessage(inbox, SampleMessage(u"added", 2000));
    EXPECT_EQ(Find(folder, 2000), u"added");
    ASSERT_TRUE(
        mapi_admin::RemoveProperty(mapi_admin::Messages(inbox)[1], PR_MESSAGE_DELIVERY_TIME));
    EXPECT_EQ(Find(folder, 1020), u"(none)");

    // This connection changes a delivery time and deletes a message.
    {
        auto message = folder.findMessageByDeliveryTime(1030, 0);
        ASSERT_NE(message, nullptr);
        SPropValue time{};
        time.ulPropTag = PR_MESSAGE_DELIVERY_TIME;
        time.Value.ft = U64ToFileTime(3000);
        ASSERT_EQ(message->handle()->SetProps(1, &time, nullptr), S_OK);
    }
    EXPECT_EQ(Find(folder, 1030), u"(none)");
    EXPECT_EQ(Find(folder, 3000), u"I3");
    {
        auto message = folder.findMessageByDeliveryTime(1010, 0);
        ASSERT_NE(message, nullptr);
        ASSERT_TRUE(message->deleteMessage());
    }
    EXPECT_EQ(Find(folder, 1010), u"(none)");
    EXPECT_EQ(Find(folder, 2000), u"added");
}

TEST_F(DeliveryTimeSearchTest, RowsAddedWhileReadingAreSeenAtTheEnd) {
    const ObjectId inbox = special(SpecialFolder::Inbox);
    Seed(inbox, u"I", 2, 1000, false);
    MessageStore store(kSmsStoreName);
    MessageList* list = store.inboxFolder()->messages(1);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->next());
    mapi_admin::AddMessage(inbox, SampleMessage(u"late", 5000));
    std::vector<std::u16string> rest;
    while (list->next()) {
        rest.push_back(list->current()->body());
    }
    EXPECT_EQ(rest, (std::vector<std::u16string>{u"I2", u"late"}));
}

} // namespace
