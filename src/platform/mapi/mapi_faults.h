// Fault injection and call recording for the mail library, for tests: the n-th call of an
// operation (or of any operation) fails with a chosen HRESULT, or runs a hook first, once or
// from then on; the calls made can be recorded in order with their flags and counts.
#pragma once

#include "platform/mapi/mapi.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace mapi_faults {

enum class Op {
    Any,
    Logon,
    Logoff,
    GetMsgStoresTable,
    SessionOpenEntry,
    StoreOpenEntry,
    FolderOpenEntry,
    GetProps,
    SetProps,
    GetContentsTable,
    GetHierarchyTable,
    SetColumns,
    QueryRows,
    SeekRow,
    GetRowCount,
    FindRow,
    CreateFolder,
    CreateMessage,
    DeleteMessages,
    GetRecipientTable,
    ModifyRecipients,
    AllocateBuffer,
    AllocateMore,
    // Recorded only; these never fail.
    Release,
    FreeBuffer,
    FreeProws,
};

// The kind of object a call is made on.
enum class Kind { Any, Session, Store, Folder, Message, Table, Library };

// Arms a fault: the nth call (1-based, counted from now) of op on an object of kind fails with
// hr; when persistent, every later matching call fails too. Several faults may be armed.
void Arm(Op op, int nth, HRESULT hr, bool persistent = false, Kind kind = Kind::Any);
// Arms a hook: hook runs at the start of the nth call of op (1-based, counted from now), and of
// every later one when persistent, before the call does anything. Tests in a forked child use
// it to end the process at a chosen call, as kill -9 would, or to pause there.
void ArmHook(Op op, int nth, std::function<void()> hook, bool persistent = false);
void Disarm();
// Calls of op seen since the last ResetCounts (Any counts every call).
int CallCount(Op op);
void ResetCounts();

struct Call {
    Op op;
    Kind kind;
    ULONG flags;
    LONG count; // row count for QueryRows / SeekRow, value count for GetProps / SetProps
    std::vector<ULONG> tags; // SetColumns and GetProps
    std::int64_t object = 0; // the library's id of the released object, 0 when it has none
};
void StartRecording();
void StopRecording();
std::vector<Call> Recorded();

// Used by the library: counts the call, records it, and returns the armed HRESULT when this
// call must fail (S_OK otherwise).
[[nodiscard]] HRESULT Check(Op op, Kind kind, ULONG flags = 0, LONG count = 0,
                            const SPropTagArray* tags = nullptr);
// Adds the tags of property values to the call recorded last: for the calls that take values
// rather than a tag array (SetProps, each entry of ModifyRecipients).
void RecordValueTags(const SPropValue* values, ULONG count);
// Records a call that cannot fail.
void Note(Op op, Kind kind, std::int64_t object = 0);

const char* OpName(Op op);

// Disarms, stops recording and resets the counts on destruction.
struct FaultGuard {
    FaultGuard() = default;
    FaultGuard(const FaultGuard&) = delete;
    FaultGuard& operator=(const FaultGuard&) = delete;
    ~FaultGuard() {
        Disarm();
        StopRecording();
        ResetCounts();
    }
};

} // namespace mapi_faults
