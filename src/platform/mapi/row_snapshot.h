// A contents table's copy of its rows (message ids in table order with their stored
// properties), kept between reads so that reading a folder again from the start costs no
// database work per row: the delivery-time search of a restore reads every row of its folder
// once per restored message.
//
// The copy follows this connection's own writes object by object (temporary triggers note each
// object a statement touches), and is read again whole when another connection has committed,
// which it checks whenever the table is rewound and when the copy runs out of rows.
#pragma once

#include "platform/mapi/database.h"

#include <cstdint>
#include <vector>

namespace mapi_impl {

struct SnapshotRow {
    ObjectId id = 0;
    std::vector<StoredProp> props;
};

class RowSnapshot {
public:
    RowSnapshot(ObjectId parent, ObjectKind kind) : parent_(parent), kind_(kind) {}

    // Up to limit rows after the row with id after (0: from the first), current as of now.
    // withProps asks for the rows' stored properties. False on a database failure.
    bool rowsAfter(Database& db, ObjectId after, int limit, bool withProps,
                   std::vector<const SnapshotRow*>& rows);
    // Notes that the table was rewound: other connections' commits are looked for next time.
    void rewound() { checkOthers_ = true; }

private:
    bool current(Database& db, bool withProps);
    bool load(Database& db, bool withProps);
    bool applyOwnChanges(Database& db);
    bool refresh(Database& db, ObjectId id);

    ObjectId parent_;
    ObjectKind kind_;
    std::vector<SnapshotRow> rows_; // ascending ids: the table's order
    std::size_t next_ = 0;          // index after the row returned last
    bool loaded_ = false;
    bool withProps_ = false;
    bool checkOthers_ = false;
    std::int64_t dataVersion_ = -1;
    std::uint64_t journalEpoch_ = 0;
    std::uint64_t journalSeen_ = 0;
};

} // namespace mapi_impl
