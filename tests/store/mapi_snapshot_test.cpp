// Reads that follow a contents table's query share one snapshot: what this process has
// finished writing meanwhile must still be seen at once.
#include "mapi_session_fixture.h"

namespace {

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

TEST_F(MapiLibraryTest, ReadsAfterATableQuerySeeWritesFinishedInThisProcess) {
    const auto ids = mapi_admin::AddMessages(
        inboxId(), {SampleMessage(u"a", 1), SampleMessage(u"b", 2), SampleMessage(u"c", 3)});
    ASSERT_EQ(ids.size(), 3u);
    MapiPtr<IMAPITable> table;
    ASSERT_EQ(inbox_->GetContentsTable(0, table.put()), S_OK);
    RowSetPtr rows;
    ASSERT_EQ(table->QueryRows(10, 0, rows.put()), S_OK);
    ASSERT_EQ(rows->cRows, 3u);
    MapiPtr<IMessage> first = open<IMessage>(ids[0]);
    EXPECT_EQ(Subject(first.get()), u"a");

    // Another connection of this process changes a text and makes a message unopenable.
    ASSERT_TRUE(mapi_admin::SetText(ids[1], PR_SUBJECT_W, u"b2"));
    ASSERT_TRUE(mapi_admin::SetOpenError(ids[2], MAPI_E_NO_ACCESS));
    EXPECT_EQ(Subject(open<IMessage>(ids[1]).get()), u"b2");
    EXPECT_FALSE(open<IMessage>(ids[2]));

    // This session writes in the middle of the batch and reads its own write.
    ASSERT_EQ(SetSubject(first.get(), u"a2"), S_OK);
    EXPECT_EQ(Subject(first.get()), u"a2");
    MapiPtr<IMAPITable> recipients;
    ASSERT_EQ(first->GetRecipientTable(0, recipients.put()), S_OK);
    ULONG count = 0;
    ASSERT_EQ(recipients->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 2u);
}

} // namespace
