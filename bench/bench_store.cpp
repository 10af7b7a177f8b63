// The mail library on SQLite: creating 100,000 messages with properties and two recipients
// each, reading them back through a contents table in batches of 10 with one GetProps per
// message, and single-row reads and writes.
#include "devkit/mapi_admin.h"
#include "platform/device.h"
#include "platform/mapi/mapi.h"
#include "platform/mapi/mapi_ptr.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

constexpr int kMessages = 100000;

struct Device {
    std::filesystem::path folder;
    MapiPtr<IMAPISession> session;
    MapiPtr<IMsgStore> store;
    MapiPtr<IMAPIFolder> inbox;
    mapi_admin::ObjectId inboxId = 0;

    Device() {
        std::string pattern = (std::filesystem::temp_directory_path() / "msgkeeper-bench-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        folder = pattern;
        device::SetFolder(folder);
        mapi_admin::CreateDeviceStore();
        const auto sms = mapi_admin::FindStore(u"SMS");
        inboxId = mapi_admin::SpecialFolder(sms, PR_CE_IPM_INBOX_ENTRYID);
        if (FAILED(MAPILogonEx(0, nullptr, nullptr, 0, session.put()))) {
            throw std::runtime_error("no session");
        }
        store = open<IMsgStore>(session.get(), mapi_admin::EntryId(sms));
        inbox = open<IMAPIFolder>(store.get(), mapi_admin::EntryId(inboxId));
        if (!inbox) {
            throw std::runtime_error("no inbox");
        }
    }
    ~Device() {
        inbox.reset();
        store.reset();
        session->Logoff(0, 0, 0);
        session.reset();
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    template <class T, class From> static MapiPtr<T> open(From* from, std::vector<BYTE> id) {
        MapiPtr<IUnknown> opened;
        ULONG type = 0;
        from->OpenEntry(static_cast<ULONG>(id.size()), id.data(), nullptr, 0, &type, opened.put());
        return InterfaceCast<T>(std::move(opened));
    }
};

Device& TheDevice() {
    static Device device;
    return device;
}

std::u16string Body(int i) {
    std::u16string body = u"Message number ";
    for (char c : std::to_string(i)) {
        body.push_back(static_cast<char16_t>(c));
    }
    body.append(120, u'x'); // a typical SMS fills most of its 160 characters
    return body;
}

bool WriteMessage(IMAPIFolder* folder, int i) {
    MapiPtr<IMessage> message;
    if (folder->CreateMessage(nullptr, 0, message.put()) != S_OK) {
        return false;
    }
    std::u16string body = Body(i);
    std::u16string cls = u"IPM.SMStext";
    std::u16string sender = u"\"Ann\" <+4912345678>";
    SPropValue props[7]{};
    props[0].ulPropTag = PR_MESSAGE_FLAGS;
    props[0].Value.ul = MSGFLAG_READ;
    props[1].ulPropTag = PR_SUBJECT_W;
    props[1].Value.lpszW = body.data();
    props[2].ulPropTag = PR_LAST_MODIFICATION_TIME;
    props[2].Value.ft = U64ToFileTime(130000000000000000ull + static_cast<unsigned>(i));
    props[3].ulPropTag = PR_MESSAGE_DELIVERY_TIME;
    props[3].Value.ft = U64ToFileTime(130000000000000000ull + static_cast<unsigned>(i));
    props[4].ulPropTag = PR_MESSAGE_CLASS_W;
    props[4].Value.lpszW = cls.data();
    props[5].ulPropTag = PR_SENDER_EMAIL_ADDRESS_W;
    props[5].Value.lpszW = sender.data();
    props[6].ulPropTag = PR_MESSAGE_SIZE;
    props[6].Value.ul = static_cast<ULONG>(body.size());
    if (message->SetProps(7, props, nullptr) != S_OK) {
        return false;
    }
    std::u16string addresses[2] = {u"+491111111", u"+492222222"};
    std::u16string names[2] = {u"Bob", u"Cy"};
    SPropValue values[2][3]{};
    alignas(ADRLIST) BYTE raw[CbNewADRLIST(2)];
    auto* list = reinterpret_cast<ADRLIST*>(raw);
    list->cEntries = 2;
    for (int r = 0; r < 2; ++r) {
        values[r][0].ulPropTag = PR_EMAIL_ADDRESS_W;
        values[r][0].Value.lpszW = addresses[r].data();
        values[r][1].ulPropTag = PR_RECIPIENT_TYPE;
        values[r][1].Value.ul = MAPI_TO;
        values[r][2].ulPropTag = PR_DISPLAY_NAME_W;
        values[r][2].Value.lpszW = names[r].data();
        (&list->aEntries[0])[r] = ADRENTRY{0, 3, values[r]};
    }
    return message->ModifyRecipients(MODRECIP_ADD, list) == S_OK;
}

// Fills the inbox up to kMessages messages (when a benchmark runs on its own).
void EnsureMessages() {
    Device& device = TheDevice();
    ULONG count = 0;
    MapiPtr<IMAPITable> table;
    device.inbox->GetContentsTable(0, table.put());
    table->GetRowCount(0, &count);
    for (int i = static_cast<int>(count); i < kMessages; ++i) {
        WriteMessage(device.inbox.get(), i);
    }
}

void BM_Create100kMessages(benchmark::State& state) {
    Device& device = TheDevice();
    for (auto _ : state) {
        for (int i = 0; i < kMessages; ++i) {
            if (!WriteMessage(device.inbox.get(), i)) {
                state.SkipWithError("write failed");
                return;
            }
        }
    }
    state.counters["messages/s"] =
        benchmark::Counter(static_cast<double>(kMessages), benchmark::Counter::kIsRate);
}

// Reads every message: batches of 10 entry identifiers, OpenEntry and one GetProps of the
// eight backup properties per message, and with recipients its recipient table row by row.
void ReadBack(benchmark::State& state, bool withRecipients) {
    EnsureMessages();
    Device& device = TheDevice();
    SizedSPropTagArray<8> tags{8,
                               {PR_ENTRYID, PR_MESSAGE_FLAGS, PR_SUBJECT_W,
                                PR_LAST_MODIFICATION_TIME, PR_MESSAGE_DELIVERY_TIME,
                                PR_SENDER_EMAIL_ADDRESS_W, PR_SENDER_NAME_W, PR_MESSAGE_SIZE}};
    SizedSPropTagArray<1> columns{1, {PR_ENTRYID}};
    std::int64_t read = 0;
    for (auto _ : state) {
        read = 0;
        MapiPtr<IMAPITable> table;
        device.inbox->GetContentsTable(0, table.put());
        table->SetColumns(columns.ptr(), 0);
        for (;;) {
            RowSetPtr rows;
            if (table->QueryRows(10, 0, rows.put()) != S_OK || rows->cRows == 0) {
                break;
            }
            for (ULONG r = 0; r < rows->cRows; ++r) {
                const SBinary& id = (&rows->aRow[0])[r].lpProps[0].Value.bin;
                MapiPtr<IUnknown> opened;
                ULONG type = 0;
                device.inbox->OpenEntry(id.cb, id.lpb, nullptr, 0, &type, opened.put());
                MapiPtr<IMessage> message = InterfaceCast<IMessage>(std::move(opened));
                ULONG count = 0;
                MapiBuffer<SPropValue> values;
                message->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put());
                benchmark::DoNotOptimize(values[2].Value.lpszW);
                if (withRecipients) {
                    MapiPtr<IMAPITable> recipients;
                    message->GetRecipientTable(0, recipients.put());
                    RowSetPtr row;
                    while (recipients->QueryRows(1, 0, row.put()) == S_OK && row->cRows == 1) {
                        benchmark::DoNotOptimize(row->aRow[0].lpProps);
                    }
                }
                ++read;
            }
        }
    }
    state.counters["messages"] = static_cast<double>(read);
    state.counters["messages/s"] =
        benchmark::Counter(static_cast<double>(read), benchmark::Counter::kIsRate);
}

void BM_ReadBack100k(benchmark::State& state) {
    ReadBack(state, false);
}
void BM_ReadBack100kWithRecipients(benchmark::State& state) {
    ReadBack(state, true);
}

// One GetProps of eight properties on an open message.
void BM_GetPropsOneMessage(benchmark::State& state) {
    EnsureMessages();
    Device& device = TheDevice();
    auto message = Device::open<IMessage>(
        device.inbox.get(),
        mapi_admin::EntryId(mapi_admin::Messages(device.inboxId)[kMessages / 2]));
    SizedSPropTagArray<8> tags{8,
                               {PR_ENTRYID, PR_MESSAGE_FLAGS, PR_SUBJECT_W,
                                PR_LAST_MODIFICATION_TIME, PR_MESSAGE_DELIVERY_TIME,
                                PR_SENDER_EMAIL_ADDRESS_W, PR_SENDER_NAME_W, PR_MESSAGE_SIZE}};
    for (auto _ : state) {
        ULONG count = 0;
        MapiBuffer<SPropValue> values;
        message->GetProps(tags.ptr(), MAPI_UNICODE, &count, values.put());
        benchmark::DoNotOptimize(values.get());
    }
}

// One SetProps of one property: a transaction of its own.
void BM_SetPropsOneValue(benchmark::State& state) {
    EnsureMessages();
    Device& device = TheDevice();
    auto message = Device::open<IMessage>(
        device.inbox.get(),
        mapi_admin::EntryId(mapi_admin::Messages(device.inboxId)[kMessages / 2]));
    ULONG flags = 0;
    for (auto _ : state) {
        SPropValue value{};
        value.ulPropTag = PR_MESSAGE_FLAGS;
        value.Value.ul = ++flags;
        message->SetProps(1, &value, nullptr);
    }
}

// A batch of 10 rows from the middle of a 100,000-row table, after a seek.
void BM_QueryRowsBatchOf10(benchmark::State& state) {
    EnsureMessages();
    Device& device = TheDevice();
    MapiPtr<IMAPITable> table;
    device.inbox->GetContentsTable(0, table.put());
    SizedSPropTagArray<1> columns{1, {PR_ENTRYID}};
    table->SetColumns(columns.ptr(), 0);
    for (auto _ : state) {
        state.PauseTiming();
        table->SeekRow(BOOKMARK_BEGINNING, kMessages / 2, nullptr);
        state.ResumeTiming();
        RowSetPtr rows;
        table->QueryRows(10, 0, rows.put());
        benchmark::DoNotOptimize(rows.get());
    }
}

} // namespace

BENCHMARK(BM_Create100kMessages)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBack100k)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBack100kWithRecipients)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_GetPropsOneMessage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetPropsOneValue)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QueryRowsBatchOf10)->Unit(benchmark::kMicrosecond);
