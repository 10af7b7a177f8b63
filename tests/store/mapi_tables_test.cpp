// The mail library on SQLite: tables, folders, deleting and recipients.
#include "mapi_session_fixture.h"

namespace {

TEST_F(MapiLibraryTest, TablesAreLiveAndReturnAtMostTenRowsInCreationOrder) {
    std::vector<mapi_admin::SeedMessage> seeds;
    for (int i = 0; i < 25; ++i) {
        seeds.push_back(SampleMessage(u"m" + std::u16string(1, static_cast<char16_t>(u'a' + i)),
                                      static_cast<std::uint64_t>(100 - i)));
    }
    ASSERT_EQ(mapi_admin::AddMessages(inboxId(), seeds).size(), 25u);
    MapiPtr<IMAPITable> table;
    ASSERT_EQ(inbox_->GetContentsTable(0, table.put()), S_OK);
    SizedSPropTagArray<2> columns{2, {PR_SUBJECT_W, PR_SENDER_NAME_W}};
    ASSERT_EQ(table->SetColumns(columns.ptr(), 0), S_OK);
    ULONG total = 0;
    ASSERT_EQ(table->GetRowCount(0, &total), S_OK);
    EXPECT_EQ(total, 25u);

    std::vector<ULONG> sizes;
    std::vector<std::u16string> seen;
    for (;;) {
        RowSetPtr set;
        ASSERT_EQ(table->QueryRows(1000, 0, set.put()), S_OK);
        ASSERT_TRUE(set);
        sizes.push_back(set->cRows);
        if (set->cRows == 0) {
            break;
        }
        for (ULONG r = 0; r < set->cRows; ++r) {
            const SRow& row = (&set->aRow[0])[r];
            ASSERT_EQ(row.cValues, 2u);
            seen.push_back(row.lpProps[0].Value.lpszW);
        }
    }
    EXPECT_EQ(sizes, (std::vector<ULONG>{10, 10, 5, 0}));
    ASSERT_EQ(seen.size(), 25u);
    EXPECT_EQ(seen.front(), u"ma");
    EXPECT_EQ(seen.back(), u"my");

    // A message added while the table is open is seen by the next read.
    create(inbox_.get(), u"late", 7).reset();
    RowSetPtr set;
    ASSERT_EQ(table->QueryRows(10, 0, set.put()), S_OK);
    ASSERT_EQ(set->cRows, 1u);
    EXPECT_EQ(std::u16string(set->aRow[0].lpProps[0].Value.lpszW), u"late");
    // A cell the row lacks is a PT_ERROR value.
    EXPECT_EQ(set->aRow[0].lpProps[1].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_SENDER_NAME_W)));
    EXPECT_EQ(set->aRow[0].lpProps[1].Value.err, MAPI_E_NOT_FOUND);
    ASSERT_EQ(table->GetRowCount(0, &total), S_OK);
    EXPECT_EQ(total, 26u);
    EXPECT_EQ(table->QueryRows(0, 0, set.put()), MAPI_E_INVALID_PARAMETER);
}

TEST_F(MapiLibraryTest, SeekRowFromTheBeginning) {
    for (int i = 0; i < 5; ++i) {
        create(inbox_.get(), std::u16string(1, static_cast<char16_t>(u'a' + i)), 1, false).reset();
    }
    MapiPtr<IMAPITable> table;
    ASSERT_EQ(inbox_->GetContentsTable(0, table.put()), S_OK);
    SizedSPropTagArray<1> columns{1, {PR_SUBJECT_W}};
    ASSERT_EQ(table->SetColumns(columns.ptr(), 0), S_OK);
    const auto next = [&]() -> std::u16string {
        RowSetPtr set;
        EXPECT_EQ(table->QueryRows(1, 0, set.put()), S_OK);
        return set && set->cRows == 1 ? set->aRow[0].lpProps[0].Value.lpszW : u"<end>";
    };
    EXPECT_EQ(next(), u"a");
    EXPECT_EQ(next(), u"b");
    EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
    EXPECT_EQ(next(), u"a");
    LONG sought = -1;
    EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 3, &sought), S_OK);
    EXPECT_EQ(sought, 3);
    EXPECT_EQ(next(), u"d");
    EXPECT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 50, &sought), S_OK);
    EXPECT_EQ(sought, 5);
    EXPECT_EQ(next(), u"<end>");
    EXPECT_EQ(table->SeekRow(BOOKMARK_CURRENT, 1, &sought), MAPI_E_NO_SUPPORT);
}

TEST_F(MapiLibraryTest, FindRowMovesToTheFirstEqualRow) {
    const std::uint64_t times[] = {5, 7, 5, 9};
    for (int i = 0; i < 4; ++i) {
        create(inbox_.get(), std::u16string(1, static_cast<char16_t>(u'a' + i)), times[i], false)
            .reset();
    }
    MapiPtr<IMAPITable> table;
    ASSERT_EQ(inbox_->GetContentsTable(0, table.put()), S_OK);
    SizedSPropTagArray<1> columns{1, {PR_SUBJECT_W}};
    ASSERT_EQ(table->SetColumns(columns.ptr(), 0), S_OK);
    std::u16string text = u"d";
    SPropValue value{};
    SRestriction restriction{};
    restriction.rt = RES_PROPERTY;
    restriction.res.resProperty = SPropertyRestriction{RELOP_EQ, PR_MESSAGE_DELIVERY_TIME, &value};
    const auto find = [&](ULONG tag, std::uint64_t time, BOOKMARK origin, ULONG flags = 0) {
        value.ulPropTag = restriction.res.resProperty.ulPropTag = tag;
        value.Value.ft = U64ToFileTime(time);
        if (tag == PR_SUBJECT_W) {
            value.Value.lpszW = text.data();
        }
        return table->FindRow(&restriction, origin, flags);
    };
    const auto next = [&]() -> std::u16string {
        RowSetPtr set;
        EXPECT_EQ(table->QueryRows(1, 0, set.put()), S_OK);
        return set && set->cRows == 1 ? set->aRow[0].lpProps[0].Value.lpszW : u"<end>";
    };
    EXPECT_EQ(find(PR_MESSAGE_DELIVERY_TIME, 5, BOOKMARK_BEGINNING), S_OK);
    EXPECT_EQ(next(), u"a");
    EXPECT_EQ(find(PR_MESSAGE_DELIVERY_TIME, 5, BOOKMARK_CURRENT), S_OK);
    EXPECT_EQ(next(), u"c");
    // Not found: the cursor stays after c.
    EXPECT_EQ(find(PR_MESSAGE_DELIVERY_TIME, 5, BOOKMARK_CURRENT), MAPI_E_NOT_FOUND);
    EXPECT_EQ(find(PR_MESSAGE_DELIVERY_TIME, (1ull << 32) | 5, BOOKMARK_BEGINNING),
              MAPI_E_NOT_FOUND);
    EXPECT_EQ(next(), u"d");
    EXPECT_EQ(find(PR_SUBJECT_W, 0, BOOKMARK_BEGINNING), S_OK);
    EXPECT_EQ(next(), u"d");
    EXPECT_EQ(find(PR_MESSAGE_DELIVERY_TIME, 5, BOOKMARK_BEGINNING, DIR_BACKWARD),
              MAPI_E_NO_SUPPORT);
    restriction.res.resProperty.relop = RELOP_EQ + 1;
    EXPECT_EQ(find(PR_MESSAGE_DELIVERY_TIME, 5, BOOKMARK_BEGINNING), MAPI_E_NO_SUPPORT);
}

TEST_F(MapiLibraryTest, CreateFolderOpensAnExistingSubfolderWhenAsked) {
    const auto create = [](IMAPIFolder* parent, const char16_t* name, ULONG flags,
                           MapiPtr<IMAPIFolder>& folder) {
        return parent->CreateFolder(0, name, nullptr, nullptr, flags, folder.put());
    };
    constexpr ULONG kOpenIfExists = MAPI_UNICODE | OPEN_IF_EXISTS;
    MapiPtr<IMAPIFolder> work, again, collision, lower, deep;
    ASSERT_EQ(create(inbox_.get(), u"Work", kOpenIfExists, work), S_OK);
    ASSERT_EQ(create(inbox_.get(), u"Work", kOpenIfExists, again), S_OK);
    const auto entryIdOf = [](IMAPIFolder* folder) {
        SizedSPropTagArray<1> tags{1, {PR_ENTRYID}};
        ULONG count = 0;
        MapiBuffer<SPropValue> value;
        EXPECT_EQ(folder->GetProps(tags.ptr(), MAPI_UNICODE, &count, value.put()), S_OK);
        return std::vector<BYTE>(value[0].Value.bin.lpb,
                                 value[0].Value.bin.lpb + value[0].Value.bin.cb);
    };
    EXPECT_EQ(entryIdOf(work.get()), entryIdOf(again.get()));
    EXPECT_EQ(create(inbox_.get(), u"Work", MAPI_UNICODE, collision), MAPI_E_COLLISION);
    EXPECT_EQ(create(inbox_.get(), u"Other", 0, collision), MAPI_E_INVALID_PARAMETER);
    // Names are matched exactly; a folder below Work is not Inbox's child.
    ASSERT_EQ(create(inbox_.get(), u"work", kOpenIfExists, lower), S_OK);
    EXPECT_NE(entryIdOf(work.get()), entryIdOf(lower.get()));
    ASSERT_EQ(create(work.get(), u"Deep", MAPI_UNICODE, deep), S_OK);

    MapiPtr<IMAPITable> hierarchy;
    ASSERT_EQ(inbox_->GetHierarchyTable(0, hierarchy.put()), S_OK);
    SizedSPropTagArray<2> columns{2, {PR_ENTRYID, PR_DISPLAY_NAME_W}};
    ASSERT_EQ(hierarchy->SetColumns(columns.ptr(), 0), S_OK);
    std::vector<RowSetPtr> keep;
    std::vector<std::u16string> names;
    for (const auto& row : rows(hierarchy.get(), keep)) {
        names.push_back(row[1].Value.lpszW);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Work", u"work"}));
}

TEST_F(MapiLibraryTest, DeleteMessagesTakesAnEntryList) {
    const auto ids = mapi_admin::AddMessages(
        inboxId(), {SampleMessage(u"a", 1), SampleMessage(u"b", 2), SampleMessage(u"c", 3)});
    ASSERT_EQ(ids.size(), 3u);
    auto first = mapi_admin::EntryId(ids[0]);
    auto second = mapi_admin::EntryId(ids[1]);
    SBinary one{static_cast<ULONG>(first.size()), first.data()};
    ENTRYLIST list{1, &one};
    EXPECT_EQ(inbox_->DeleteMessages(&list, 0, nullptr, 0), S_OK);
    EXPECT_EQ(subjects(inbox_.get()), (std::vector<std::u16string>{u"b", u"c"}));
    EXPECT_FALSE(open<IMessage>(ids[0]));

    // One of two already gone: partial completion, the other one deleted.
    SBinary two[2] = {one, {static_cast<ULONG>(second.size()), second.data()}};
    ENTRYLIST pair{2, two};
    EXPECT_EQ(inbox_->DeleteMessages(&pair, 0, nullptr, 0), MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(subjects(inbox_.get()), std::vector<std::u16string>{u"c"});
    EXPECT_TRUE(mapi_admin::Recipients(ids[1]).empty());

    // An empty identifier deletes nothing.
    SBinary none{0, nullptr};
    ENTRYLIST empty{1, &none};
    EXPECT_TRUE(FAILED(inbox_->DeleteMessages(&empty, 0, nullptr, 0)));
    // Nor does a message of another folder.
    auto drafts = open<IMAPIFolder>(mapi_admin::SpecialFolder(sms_, PR_CE_IPM_DRAFTS_ENTRYID));
    auto third = mapi_admin::EntryId(ids[2]);
    SBinary other{static_cast<ULONG>(third.size()), third.data()};
    ENTRYLIST foreign{1, &other};
    EXPECT_EQ(drafts->DeleteMessages(&foreign, 0, nullptr, 0), MAPI_W_PARTIAL_COMPLETION);
    EXPECT_EQ(subjects(inbox_.get()), std::vector<std::u16string>{u"c"});
}

TEST_F(MapiLibraryTest, RecipientsAreStoredAndReplaced) {
    MapiPtr<IMessage> message = create(inbox_.get(), u"x", 1, false);
    MapiPtr<IMAPITable> table;
    EXPECT_EQ(message->GetRecipientTable(0, table.put()), MAPI_E_NO_RECIPIENTS);
    EXPECT_FALSE(table);

    ASSERT_EQ(addRecipients(message.get(), {{u"+1", u"A", MAPI_TO}, {u"+2", u"B", MAPI_BCC}}),
              S_OK);
    ASSERT_EQ(message->GetRecipientTable(0, table.put()), S_OK);
    std::vector<RowSetPtr> keep;
    const auto found = rows(table.get(), keep);
    ASSERT_EQ(found.size(), 2u);
    const auto text = [](const std::vector<SPropValue>& row, ULONG tag) {
        const SPropValue* value = FindProp(row.data(), static_cast<ULONG>(row.size()), tag);
        return value == nullptr ? std::u16string(u"<none>") : std::u16string(value->Value.lpszW);
    };
    EXPECT_EQ(text(found[0], PR_EMAIL_ADDRESS_W), u"+1");
    EXPECT_EQ(text(found[1], PR_DISPLAY_NAME_W), u"B");
    const SPropValue* type =
        FindProp(found[1].data(), static_cast<ULONG>(found[1].size()), PR_RECIPIENT_TYPE);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->Value.ul, MAPI_BCC);

    // MODRECIP_ADD replaces the list, as on the handset.
    ASSERT_EQ(addRecipients(message.get(), {{u"+3", u"C", MAPI_TO}}), S_OK);
    MapiPtr<IMAPITable> again;
    ASSERT_EQ(message->GetRecipientTable(0, again.put()), S_OK);
    ULONG count = 0;
    ASSERT_EQ(again->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(message->ModifyRecipients(MODRECIP_REMOVE, nullptr), MAPI_E_NO_SUPPORT);
}

} // namespace
