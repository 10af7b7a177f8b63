// Recipient lists written by the library and by a restored message: what is stored, what is
// refused whole, and the list read back once it has been handed to the store.
#include "mapi_session_fixture.h"
#include "walk_fixture.h"

#include "store/store_folder.h"
#include "store/store_message.h"

#include <optional>
#include <ostream>
#include <tuple>

namespace {

using mapi_admin::SeedRecipient;
using Row = std::tuple<std::u16string, std::u16string, ULONG>;

std::vector<Row> Rows(const std::vector<SeedRecipient>& list) {
    std::vector<Row> rows;
    for (const SeedRecipient& r : list) {
        rows.emplace_back(r.address, r.displayName, r.type);
    }
    return rows;
}

struct RowsCase {
    const char* name;
    void (*spoil)(ADRENTRY& second); // changes the second entry, of one value
    HRESULT hr;
    std::vector<Row> expected;
};
void PrintTo(const RowsCase& c, std::ostream* os) {
    *os << c.name;
}

class RecipientRowsTest : public MapiLibraryTest, public ::testing::WithParamInterface<RowsCase> {};

// The first entry carries an error value and a null value among its own; the second one value
// that each case may spoil. A spoiled entry refuses the whole list.
TEST_P(RecipientRowsTest, StoresTheListOrLeavesTheOldOne) {
    const RowsCase& c = GetParam();
    const MapiPtr<IMessage> message = create(inbox_.get(), u"x", 100); // to Bob and Cy
    std::u16string first = u"+1";
    std::u16string second = u"+2";
    std::array<SPropValue, 4> values{};
    values[0].ulPropTag = PR_EMAIL_ADDRESS_W;
    values[0].Value.lpszW = first.data();
    values[1].ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(PR_DISPLAY_NAME_W));
    values[1].Value.err = MAPI_E_NOT_FOUND;
    values[2].ulPropTag = PROP_TAG(PT_NULL, 0x6000);
    values[3].ulPropTag = PR_RECIPIENT_TYPE;
    values[3].Value.l = MAPI_BCC;
    SPropValue last{};
    last.ulPropTag = PR_EMAIL_ADDRESS_W;
    last.Value.lpszW = second.data();
    ADRENTRY secondEntry{0, 1, &last};
    if (c.spoil != nullptr) {
        c.spoil(secondEntry);
    }
    std::vector<BYTE> raw(CbNewADRLIST(2));
    auto* list = reinterpret_cast<ADRLIST*>(raw.data());
    list->cEntries = 2;
    (&list->aEntries[0])[0] = ADRENTRY{0, 4, values.data()};
    (&list->aEntries[0])[1] = secondEntry;
    EXPECT_EQ(message->ModifyRecipients(MODRECIP_ADD, list), c.hr);
    EXPECT_EQ(Rows(mapi_admin::Recipients(mapi_admin::Messages(inboxId()).front())), c.expected);
}

const std::vector<Row> kOld = {{u"+491", u"Bob", MAPI_TO}, {u"+492", u"Cy", MAPI_CC}};
const RowsCase kRowsCases[] = {
    {"ErrorAndNullValuesArePassedOver", nullptr, S_OK, {{u"+1", u"", MAPI_BCC}, {u"+2", u"", 0}}},
    {"EntryWithoutValues", [](ADRENTRY& e) { e.rgPropVals = nullptr; }, MAPI_E_INVALID_PARAMETER,
     kOld},
    {"TypeNotKept", [](ADRENTRY& e) { e.rgPropVals[0].ulPropTag = PROP_TAG(0x0048, 0x6001); },
     MAPI_E_INVALID_PARAMETER, kOld},
    {"TextWithoutCharacters", [](ADRENTRY& e) { e.rgPropVals[0].Value.lpszW = nullptr; },
     MAPI_E_INVALID_PARAMETER, kOld},
};
INSTANTIATE_TEST_SUITE_P(Lists, RecipientRowsTest, ::testing::ValuesIn(kRowsCases),
                         [](const auto& info) { return std::string(info.param.name); });

class RestoredRecipientsTest : public WalkFixture {};

// Lists appended whole and one by one keep their order; once saved, the message reads its list
// back from the store.
TEST_F(RestoredRecipientsTest, AppendedListsAreSavedInOrderAndReadBack) {
    std::optional<MessageStore> store;
    store.emplace(kSmsStoreName);
    std::unique_ptr<StoreMessage> message = store->inboxFolder()->createMessage();
    ASSERT_NE(message, nullptr);
    const std::vector<Recipient> all = {
        Recipient(u"+1", u"A", MAPI_TO), Recipient(u"+2", u"B", MAPI_CC),
        Recipient(u"+3", u"", MAPI_BCC), Recipient(u"", u"D", MAPI_TO)};
    message->appendRecipients({all[0]});
    message->appendRecipient(all[1]);
    message->appendRecipients({all[2], all[3]});
    message->appendRecipients({});
    EXPECT_EQ(message->recipients(), all);
    message->setBody(u"group");
    ASSERT_TRUE(message->saveMessage());

    const ObjectId id = mapi_admin::Messages(special(SpecialFolder::Inbox)).front();
    std::vector<Row> stored;
    for (const Recipient& r : all) {
        stored.emplace_back(r.address(), r.displayName(), r.type());
    }
    EXPECT_EQ(Rows(mapi_admin::Recipients(id)), stored);
    mapi_faults::ResetCounts();
    EXPECT_EQ(message->recipients(), all);
    EXPECT_EQ(mapi_faults::CallCount(Op::GetRecipientTable), 1);
}

} // namespace
