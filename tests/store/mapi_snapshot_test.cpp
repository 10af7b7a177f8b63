// Reads that follow a contents table's query share one snapshot: what this process has
// finished writing meanwhile must still be seen at once.
#include "devkit/mapi_accounting.h"
#include "devkit/mapi_admin.h"
#include "platform/mapi/mapi.h"
#include "platform/mapi/mapi_ptr.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

template <class T, class From> MapiPtr<T> Open(From& from, mapi_admin::ObjectId object) {
    const auto id = mapi_admin::EntryId(object);
    MapiPtr<IUnknown> opened;
    ULONG type = 0;
    if (from.OpenEntry(static_cast<ULONG>(id.size()), id.data(), nullptr, 0, &type, opened.put()) !=
        S_OK) {
        return {};
    }
    return InterfaceCast<T>(std::move(opened));
}

std::u16string Subject(IMessage* message) {
    SizedSPropTagArray<1> tags{1, {PR_SUBJECT_W}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    if (message == nullptr ||
        message->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put()) != S_OK || count != 1) {
        return u"<none>";
    }
    return values[0].Value.lpszW;
}

mapi_admin::SeedMessage Seed(std::u16string body) {
    mapi_admin::SeedMessage seed;
    seed.body = std::move(body);
    seed.deliveryTime = FILETIME{7, 1};
    seed.lastModified = FILETIME{8, 1};
    seed.recipients = {{u"+4911111", u"Bob", MAPI_TO}, {u"+4922222", u"Cy", MAPI_CC}};
    return seed;
}

TEST(MapiSnapshotTest, ReadsAfterATableQuerySeeWritesFinishedInThisProcess) {
    const TempDevice device;
    ASSERT_TRUE(mapi_admin::CreateDeviceStore());
    const auto sms = mapi_admin::FindStore(u"SMS");
    const auto inbox = mapi_admin::SpecialFolder(sms, PR_CE_IPM_INBOX_ENTRYID);
    const auto ids = mapi_admin::AddMessages(inbox, {Seed(u"a"), Seed(u"b"), Seed(u"c")});
    ASSERT_EQ(ids.size(), 3u);
    {
        MapiPtr<IMAPISession> session;
        ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, 0, session.put()), S_OK);
        const MapiPtr<IMsgStore> store = Open<IMsgStore>(*session, sms);
        ASSERT_TRUE(store);
        const MapiPtr<IMAPIFolder> folder = Open<IMAPIFolder>(*store, inbox);
        ASSERT_TRUE(folder);
        MapiPtr<IMAPITable> table;
        ASSERT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
        RowSetPtr rows;
        ASSERT_EQ(table->QueryRows(10, 0, rows.put()), S_OK);
        ASSERT_EQ(rows->cRows, 3u);
        const MapiPtr<IMessage> first = Open<IMessage>(*store, ids[0]);
        EXPECT_EQ(Subject(first.get()), u"a");

        // Another connection of this process changes a text and makes a message unopenable.
        ASSERT_TRUE(mapi_admin::SetText(ids[1], PR_SUBJECT_W, u"b2"));
        ASSERT_TRUE(mapi_admin::SetOpenError(ids[2], MAPI_E_NO_ACCESS));
        EXPECT_EQ(Subject(Open<IMessage>(*store, ids[1]).get()), u"b2");
        EXPECT_FALSE(Open<IMessage>(*store, ids[2]));

        // This session writes in the middle of the batch and reads its own write.
        std::u16string text = u"a2";
        SPropValue subject{};
        subject.ulPropTag = PR_SUBJECT_W;
        subject.Value.lpszW = text.data();
        ASSERT_EQ(first->SetProps(1, &subject, nullptr), S_OK);
        EXPECT_EQ(Subject(first.get()), u"a2");
        MapiPtr<IMAPITable> recipients;
        ASSERT_EQ(first->GetRecipientTable(0, recipients.put()), S_OK);
        ULONG count = 0;
        ASSERT_EQ(recipients->GetRowCount(0, &count), S_OK);
        EXPECT_EQ(count, 2u);
        session->Logoff(0, 0, 0);
    }
    EXPECT_EQ(mapi_accounting::OutstandingBuffers(), 0);
    EXPECT_EQ(mapi_accounting::OutstandingReferences(), 0);
}

} // namespace
