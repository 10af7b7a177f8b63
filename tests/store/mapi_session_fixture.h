// A logged-on session with the "SMS" store and its Inbox open, and helpers that write and
// read messages through the library's own calls.
#pragma once

#include "store_fixture.h"

#include <array>

class MapiLibraryTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        ASSERT_NO_FATAL_FAILURE(Logon());
    }

    void TearDown() override {
        Logoff();
        StoreFixture::TearDown();
    }

    // Logs on and opens the "SMS" store and its Inbox.
    void Logon() {
        ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, 0, session_.put()), S_OK);
        const auto storeId = mapi_admin::EntryId(sms_);
        MapiPtr<IUnknown> opened;
        ULONG type = 0;
        ASSERT_EQ(session_->OpenEntry(static_cast<ULONG>(storeId.size()), storeId.data(), nullptr,
                                      MAPI_BEST_ACCESS, &type, opened.put()),
                  S_OK);
        EXPECT_EQ(type, MAPI_STORE);
        store_ = InterfaceCast<IMsgStore>(std::move(opened));
        ASSERT_TRUE(store_);
        inbox_ = open<IMAPIFolder>(inboxId());
        ASSERT_TRUE(inbox_);
    }

    void Logoff() {
        inbox_.reset();
        store_.reset();
        if (session_) {
            session_->Logoff(0, 0, 0);
            session_.reset();
        }
    }

    static HRESULT SetSubject(IMessage* message, std::u16string body) {
        SPropValue prop{};
        prop.ulPropTag = PR_SUBJECT_W;
        prop.Value.lpszW = body.data();
        return message->SetProps(1, &prop, nullptr);
    }

    template <class T> MapiPtr<T> open(mapi_admin::ObjectId object) {
        const auto id = mapi_admin::EntryId(object);
        MapiPtr<IUnknown> opened;
        ULONG type = 0;
        if (store_->OpenEntry(static_cast<ULONG>(id.size()), id.data(), nullptr, 0, &type,
                              opened.put()) != S_OK) {
            return {};
        }
        return InterfaceCast<T>(std::move(opened));
    }

    // Creates a message in folder with body, delivery time and (optionally) two recipients.
    MapiPtr<IMessage> create(IMAPIFolder* folder, const std::u16string& body,
                             std::uint64_t delivery, bool recipients = true) {
        MapiPtr<IMessage> message;
        EXPECT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
        std::u16string text = body;
        std::u16string cls = u"IPM.SMStext";
        SPropValue props[3]{};
        props[0].ulPropTag = PR_SUBJECT_W;
        props[0].Value.lpszW = text.data();
        props[1].ulPropTag = PR_MESSAGE_DELIVERY_TIME;
        props[1].Value.ft = U64ToFileTime(delivery);
        props[2].ulPropTag = PR_MESSAGE_CLASS_W;
        props[2].Value.lpszW = cls.data();
        EXPECT_EQ(message->SetProps(3, props, nullptr), S_OK);
        if (recipients) {
            addRecipients(message.get(), {{u"+491", u"Bob", MAPI_TO}, {u"+492", u"Cy", MAPI_CC}});
        }
        return message;
    }

    HRESULT addRecipients(IMessage* message, const std::vector<mapi_admin::SeedRecipient>& list) {
        std::vector<std::u16string> texts;
        texts.reserve(list.size() * 2);
        std::vector<std::array<SPropValue, 3>> values(list.size());
        std::vector<BYTE> raw(CbNewADRLIST(static_cast<ULONG>(list.size())));
        auto* adr = reinterpret_cast<ADRLIST*>(raw.data());
        adr->cEntries = static_cast<ULONG>(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            texts.push_back(list[i].address);
            values[i][0].ulPropTag = PR_EMAIL_ADDRESS_W;
            values[i][0].Value.lpszW = texts.back().data();
            values[i][1].ulPropTag = PR_RECIPIENT_TYPE;
            values[i][1].Value.l = static_cast<LONG>(list[i].type);
            texts.push_back(list[i].displayName);
            values[i][2].ulPropTag = PR_DISPLAY_NAME_W;
            values[i][2].Value.lpszW = texts.back().data();
            (&adr->aEntries[0])[i] = ADRENTRY{0, 3, values[i].data()};
        }
        return message->ModifyRecipients(MODRECIP_ADD, adr);
    }

    // Every row of table, each as (tag, value text or number) of its cells.
    static std::vector<std::vector<SPropValue>> rows(IMAPITable* table,
                                                     std::vector<RowSetPtr>& keep) {
        std::vector<std::vector<SPropValue>> all;
        for (;;) {
            RowSetPtr set;
            EXPECT_EQ(table->QueryRows(10, 0, set.put()), S_OK);
            if (!set || set->cRows == 0) {
                return all;
            }
            for (ULONG r = 0; r < set->cRows; ++r) {
                const SRow& row = (&set->aRow[0])[r];
                all.emplace_back(row.lpProps, row.lpProps + row.cValues);
            }
            keep.push_back(std::move(set));
        }
    }

    static std::vector<std::u16string> subjects(IMAPIFolder* folder) {
        MapiPtr<IMAPITable> table;
        EXPECT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
        SizedSPropTagArray<1> columns{1, {PR_SUBJECT_W}};
        EXPECT_EQ(table->SetColumns(columns.ptr(), 0), S_OK);
        std::vector<RowSetPtr> keep;
        std::vector<std::u16string> result;
        for (const auto& row : rows(table.get(), keep)) {
            result.push_back(row[0].ulPropTag == PR_SUBJECT_W ? row[0].Value.lpszW : u"<error>");
        }
        return result;
    }

    MapiPtr<IMAPISession> session_;
    MapiPtr<IMsgStore> store_;
    MapiPtr<IMAPIFolder> inbox_;
};
