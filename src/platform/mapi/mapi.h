// The handset's mail library as the store code sees it: interfaces with reference counting and
// HRESULT results, the property structures, tags and flags, implemented beside it on SQLite.
#pragma once

#include "platform/result_codes.h"
#include "platform/wintypes.h"

#include <cstddef>

using ULONG_PTR = std::uintptr_t;
using LPBYTE = BYTE*;

// Result codes; the general ones (S_OK, E_FAIL, ...) come from the platform.
inline constexpr HRESULT MAPI_E_CALL_FAILED = E_FAIL;
inline constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = E_OUTOFMEMORY;
inline constexpr HRESULT MAPI_E_INVALID_PARAMETER = E_INVALIDARG;
inline constexpr HRESULT MAPI_E_NO_ACCESS = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT MAPI_E_NO_SUPPORT = static_cast<HRESULT>(0x80040102u);
inline constexpr HRESULT MAPI_E_NOT_FOUND = static_cast<HRESULT>(0x8004010Fu);
inline constexpr HRESULT MAPI_E_NOT_ENOUGH_DISK = static_cast<HRESULT>(0x8004010Du);
inline constexpr HRESULT MAPI_E_COMPUTED = static_cast<HRESULT>(0x8004011Au);
inline constexpr HRESULT MAPI_E_UNKNOWN_ENTRYID = static_cast<HRESULT>(0x80040201u);
inline constexpr HRESULT MAPI_E_COLLISION = static_cast<HRESULT>(0x80040604u);
inline constexpr HRESULT MAPI_E_NO_RECIPIENTS = static_cast<HRESULT>(0x80040607u);
inline constexpr HRESULT MAPI_W_ERRORS_RETURNED = 0x00040380;
inline constexpr HRESULT MAPI_W_PARTIAL_COMPLETION = 0x00040680;

// Flags.
inline constexpr ULONG MAPI_UNICODE = 0x80000000u;
inline constexpr ULONG MAPI_BEST_ACCESS = 0x00000010u;
inline constexpr ULONG MAPI_MODIFY = 0x00000001u;
inline constexpr ULONG OPEN_IF_EXISTS = 0x00000001u;
inline constexpr ULONG MODRECIP_ADD = 0x2;
inline constexpr ULONG MODRECIP_MODIFY = 0x4;
inline constexpr ULONG MODRECIP_REMOVE = 0x8;
inline constexpr ULONG FOLDER_GENERIC = 1;
// The library's own logon flag: the session only reads, and its store database is opened
// read-only, without the start-up clean-up and without a lease.
inline constexpr ULONG MAPI_LOGON_READ_ONLY = 0x01000000u;

using BOOKMARK = ULONG;
inline constexpr BOOKMARK BOOKMARK_BEGINNING = 0;
inline constexpr BOOKMARK BOOKMARK_CURRENT = 1;
inline constexpr BOOKMARK BOOKMARK_END = 2;

// Object types (PR_OBJECT_TYPE, and OpenEntry's object type).
inline constexpr ULONG MAPI_STORE = 1;
inline constexpr ULONG MAPI_FOLDER = 3;
inline constexpr ULONG MAPI_MESSAGE = 5;

// Recipient types.
inline constexpr ULONG MAPI_ORIG = 0;
inline constexpr ULONG MAPI_TO = 1;
inline constexpr ULONG MAPI_CC = 2;
inline constexpr ULONG MAPI_BCC = 3;

// Message flags.
inline constexpr ULONG MSGFLAG_READ = 0x1;
inline constexpr ULONG MSGFLAG_UNMODIFIED = 0x2;
inline constexpr ULONG MSGFLAG_SUBMIT = 0x4;
inline constexpr ULONG MSGFLAG_UNSENT = 0x8;
inline constexpr ULONG MSGFLAG_HASATTACH = 0x10;
inline constexpr ULONG MSGFLAG_FROMME = 0x20;

// Property types and tags.
inline constexpr ULONG PT_UNSPECIFIED = 0x0000;
inline constexpr ULONG PT_NULL = 0x0001;
inline constexpr ULONG PT_I2 = 0x0002;
inline constexpr ULONG PT_LONG = 0x0003;
inline constexpr ULONG PT_ERROR = 0x000A;
inline constexpr ULONG PT_BOOLEAN = 0x000B;
inline constexpr ULONG PT_I8 = 0x0014;
inline constexpr ULONG PT_STRING8 = 0x001E;
inline constexpr ULONG PT_UNICODE = 0x001F;
inline constexpr ULONG PT_SYSTIME = 0x0040;
inline constexpr ULONG PT_BINARY = 0x0102;

inline constexpr ULONG PROP_TAG(ULONG type, ULONG id) {
    return (id << 16) | type;
}
inline constexpr ULONG PROP_TYPE(ULONG tag) {
    return tag & 0xFFFFu;
}
inline constexpr ULONG PROP_ID(ULONG tag) {
    return tag >> 16;
}
inline constexpr ULONG CHANGE_PROP_TYPE(ULONG tag, ULONG type) {
    return (tag & 0xFFFF0000u) | type;
}

inline constexpr ULONG PR_ENTRYID = 0x0FFF0102;
inline constexpr ULONG PR_OBJECT_TYPE = 0x0FFE0003;
inline constexpr ULONG PR_PARENT_ENTRYID = 0x0E090102;
inline constexpr ULONG PR_DISPLAY_NAME_W = 0x3001001F;
inline constexpr ULONG PR_COMMENT_W = 0x3004001F;
inline constexpr ULONG PR_SUBJECT_W = 0x0037001F;
inline constexpr ULONG PR_MESSAGE_CLASS_W = 0x001A001F;
inline constexpr ULONG PR_MESSAGE_FLAGS = 0x0E070003;
inline constexpr ULONG PR_MESSAGE_DELIVERY_TIME = 0x0E060040;
inline constexpr ULONG PR_MESSAGE_SIZE = 0x0E080003;
inline constexpr ULONG PR_LAST_MODIFICATION_TIME = 0x30080040;
inline constexpr ULONG PR_SENDER_NAME_W = 0x0C1A001F;
inline constexpr ULONG PR_SENDER_EMAIL_ADDRESS_W = 0x0C1F001F;
inline constexpr ULONG PR_RECIPIENT_TYPE = 0x0C150003;
inline constexpr ULONG PR_EMAIL_ADDRESS_W = 0x3003001F;
inline constexpr ULONG PR_CONTENT_COUNT = 0x36020003;
// This library's own: given among the values of the SetProps that stores a created message,
// the entry identifier of a message of the same folder that goes in the same transaction, so
// that a replacement is never seen beside the message it replaces, nor lost without it. A
// message already gone is no error; the value itself is not stored.
inline constexpr ULONG PR_REPLACED_ENTRYID = 0x67F00102;
// Store properties that lead to the special folders.
inline constexpr ULONG PR_CE_IPM_DRAFTS_ENTRYID = 0x81040102;
inline constexpr ULONG PR_CE_IPM_INBOX_ENTRYID = 0x81060102;
inline constexpr ULONG PR_IPM_SUBTREE_ENTRYID = 0x35E00102;
inline constexpr ULONG PR_IPM_OUTBOX_ENTRYID = 0x35E20102;
inline constexpr ULONG PR_IPM_WASTEBASKET_ENTRYID = 0x35E30102;
inline constexpr ULONG PR_IPM_SENTMAIL_ENTRYID = 0x35E40102;

// Structures.
struct SBinary {
    ULONG cb;
    LPBYTE lpb;
};
struct SBinaryArray {
    ULONG cValues;
    SBinary* lpbin;
};
using ENTRYLIST = SBinaryArray;
using LPENTRYLIST = ENTRYLIST*;

// Entry identifiers are opaque bytes that the library only reads.
using LPENTRYID = const BYTE*;

union PV {
    constexpr PV() : li(0) {}
    LONG l;
    ULONG ul;
    short int i;
    unsigned short int b;
    std::int64_t li;
    FILETIME ft;
    LPSTR lpszA;
    LPWSTR lpszW;
    SBinary bin;
    SCODE err;
};

struct SPropValue {
    ULONG ulPropTag;
    ULONG dwAlignPad;
    PV Value;
};
using LPSPropValue = SPropValue*;

// Variable-length arrays keep the library's layout: a count followed by that many elements.
struct SPropTagArray {
    ULONG cValues;
    ULONG aulPropTag[1];
};
using LPSPropTagArray = SPropTagArray*;

// A tag array of fixed size with the layout of SPropTagArray; pass ptr() where one is wanted.
template <ULONG N> struct SizedSPropTagArray {
    ULONG cValues = N;
    ULONG aulPropTag[N];
    LPSPropTagArray ptr() { return reinterpret_cast<LPSPropTagArray>(this); }
};

struct SPropProblem {
    ULONG ulIndex;
    ULONG ulPropTag;
    SCODE scode;
};
struct SPropProblemArray {
    ULONG cProblem;
    SPropProblem aProblem[1];
};
using LPSPropProblemArray = SPropProblemArray*;

struct SRow {
    ULONG ulAdrEntryPad;
    ULONG cValues;
    LPSPropValue lpProps;
};
struct SRowSet {
    ULONG cRows;
    SRow aRow[1];
};
using LPSRowSet = SRowSet*;

struct ADRENTRY {
    ULONG ulReserved1;
    ULONG cValues;
    LPSPropValue rgPropVals;
};
struct ADRLIST {
    ULONG cEntries;
    ADRENTRY aEntries[1];
};
using LPADRLIST = ADRLIST*;

// Byte sizes for allocating the variable-length structures.
inline constexpr ULONG CbNewSRowSet(ULONG n) {
    return static_cast<ULONG>(offsetof(SRowSet, aRow) + n * sizeof(SRow));
}
inline constexpr ULONG CbNewADRLIST(ULONG n) {
    return static_cast<ULONG>(offsetof(ADRLIST, aEntries) + n * sizeof(ADRENTRY));
}
inline constexpr ULONG CbNewSPropProblemArray(ULONG n) {
    return static_cast<ULONG>(offsetof(SPropProblemArray, aProblem) + n * sizeof(SPropProblem));
}

struct IID {
    DWORD data1;
    WORD data2;
    WORD data3;
    BYTE data4[8];
};
using LPCIID = const IID*;

// Restrictions: only a property compared for equality with a value is used.
inline constexpr ULONG RES_PROPERTY = 4;
inline constexpr ULONG RELOP_EQ = 4;
inline constexpr ULONG DIR_BACKWARD = 0x00000001;
struct SPropertyRestriction {
    ULONG relop;
    ULONG ulPropTag;
    LPSPropValue lpProp;
};
struct SRestriction {
    ULONG rt;
    union {
        SPropertyRestriction resProperty;
    } res;
};
using LPSRestriction = SRestriction*;

class IMAPIProgress;
class IMAPITable;
class IMessage;
class IMAPIFolder;

// Interfaces. Each object starts with one reference held by the caller that obtained it;
// Release gives it back and destroys the object with the last reference.
class IUnknown {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

class IMAPITable : public IUnknown {
public:
    [[nodiscard]] virtual HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) = 0;
    [[nodiscard]] virtual HRESULT SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) = 0;
    [[nodiscard]] virtual HRESULT SeekRow(BOOKMARK bkOrigin, LONG lRowCount,
                                          LONG* lplRowsSought) = 0;
    // Moves the cursor to the first row at or after bkOrigin that meets the restriction, so
    // that the next QueryRows returns it; MAPI_E_NOT_FOUND leaves the cursor where it was.
    [[nodiscard]] virtual HRESULT FindRow(LPSRestriction lpRestriction, BOOKMARK bkOrigin,
                                          ULONG ulFlags) = 0;
    [[nodiscard]] virtual HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) = 0;
};

class IMAPIProp : public IUnknown {
public:
    [[nodiscard]] virtual HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                                           ULONG* lpcValues, LPSPropValue* lppPropArray) = 0;
    [[nodiscard]] virtual HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray,
                                           LPSPropProblemArray* lppProblems) = 0;
};

class IMAPIContainer : public IMAPIProp {
public:
    [[nodiscard]] virtual HRESULT GetContentsTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
    [[nodiscard]] virtual HRESULT GetHierarchyTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
    [[nodiscard]] virtual HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID,
                                            LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                                            LPUNKNOWN* lppUnk) = 0;
};

class IMAPIFolder : public IMAPIContainer {
public:
    [[nodiscard]] virtual HRESULT CreateMessage(LPCIID lpInterface, ULONG ulFlags,
                                                IMessage** lppMessage) = 0;
    [[nodiscard]] virtual HRESULT DeleteMessages(LPENTRYLIST lpMsgList, ULONG_PTR ulUIParam,
                                                 IMAPIProgress* lpProgress, ULONG ulFlags) = 0;
    [[nodiscard]] virtual HRESULT CreateFolder(ULONG ulFolderType, LPCWSTR lpszFolderName,
                                               LPCWSTR lpszFolderComment, LPCIID lpInterface,
                                               ULONG ulFlags, IMAPIFolder** lppFolder) = 0;
};

class IMessage : public IMAPIProp {
public:
    [[nodiscard]] virtual HRESULT GetRecipientTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
    [[nodiscard]] virtual HRESULT ModifyRecipients(ULONG ulFlags, LPADRLIST lpMods) = 0;
};

class IMsgStore : public IMAPIProp {
public:
    [[nodiscard]] virtual HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID,
                                            LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                                            LPUNKNOWN* lppUnk) = 0;
};

class IMAPISession : public IUnknown {
public:
    [[nodiscard]] virtual HRESULT GetMsgStoresTable(ULONG ulFlags, IMAPITable** lppTable) = 0;
    [[nodiscard]] virtual HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID,
                                            LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                                            LPUNKNOWN* lppUnk) = 0;
    virtual HRESULT Logoff(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) = 0;
};

// Library functions.
[[nodiscard]] HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPCWSTR lpszProfileName,
                                  LPCWSTR lpszPassword, ULONG ulFlags, IMAPISession** lppSession);
SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
// The block hangs on lpObject's allocation and is freed with it.
SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
ULONG MAPIFreeBuffer(LPVOID lpBuffer);
// Frees every row's lpProps, then the set.
void FreeProws(LPSRowSet lpRows);
