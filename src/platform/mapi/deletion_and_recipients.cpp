// Deleting objects and the recipient rows of messages.
#include "platform/mapi/database.h"
#include "platform/mapi/statement.h"

namespace mapi_impl {

HRESULT Database::deleteMessages(ObjectId folder, const std::vector<ObjectId>& ids,
                                 ULONG& deleted) {
    deleted = 0;
    Transaction tx(*this);
    if (tx.status() != S_OK) {
        return tx.status();
    }
    for (const ObjectId id : ids) {
        ObjectRow row;
        if (!object(id, row) || row.kind != ObjectKind::Message || row.parent != folder) {
            continue;
        }
        for (const Sql which : {Sql::PropsDeleteAll, Sql::RecipientsDeleteAll, Sql::ObjectDelete}) {
            Stmt s(*this, which);
            s.bind(1, id);
            if (const HRESULT hr = s.run(); hr != S_OK) {
                return hr;
            }
        }
        ++deleted;
    }
    return tx.commit();
}

HRESULT Database::deleteTree(ObjectId id) {
    Transaction tx(*this);
    if (tx.status() != S_OK) {
        return tx.status();
    }
    // Children of every kind, visible or not.
    std::vector<ObjectId> pending{id};
    while (!pending.empty()) {
        const ObjectId current = pending.back();
        pending.pop_back();
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_, "SELECT id FROM objects WHERE parent = ?1", -1, &raw,
                               nullptr) != SQLITE_OK) {
            return lastError();
        }
        sqlite3_bind_int64(raw, 1, current);
        while (sqlite3_step(raw) == SQLITE_ROW) {
            pending.push_back(sqlite3_column_int64(raw, 0));
        }
        sqlite3_finalize(raw);
        for (const Sql which : {Sql::PropsDeleteAll, Sql::RecipientsDeleteAll, Sql::ObjectDelete}) {
            Stmt s(*this, which);
            s.bind(1, current);
            if (const HRESULT hr = s.run(); hr != S_OK) {
                return hr;
            }
        }
    }
    return tx.commit();
}

std::int64_t Database::scalar(const char* sql, ObjectId arg) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &raw, nullptr) != SQLITE_OK) {
        return -1;
    }
    sqlite3_bind_int64(raw, 1, arg);
    const std::int64_t value = sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int64(raw, 0) : -1;
    sqlite3_finalize(raw);
    return value;
}

bool Database::recipients(ObjectId message, std::int64_t afterSeq, int limit,
                          std::vector<RecipientRow>& rows) {
    rows.clear();
    if (const BatchEntry* entry = batched(message)) {
        for (const RecipientRow& row : entry->recipients) {
            if (row.seq > afterSeq && static_cast<int>(rows.size()) < limit) {
                rows.push_back(row);
            }
        }
        return true;
    }
    Stmt s(*this, Sql::RecipientsAfter);
    s.bind(1, message).bind(2, afterSeq).bind(3, limit);
    int rc = SQLITE_ROW;
    while ((rc = s.step()) == SQLITE_ROW) {
        RecipientRow row;
        row.seq = s.integer(0);
        if (!DecodeRow(s.blob(1), row.props)) {
            return false;
        }
        rows.push_back(std::move(row));
    }
    return rc == SQLITE_DONE;
}

ULONG Database::countRecipients(ObjectId message) {
    if (const BatchEntry* entry = batched(message)) {
        return static_cast<ULONG>(entry->recipients.size());
    }
    Stmt s(*this, Sql::RecipientsCount);
    s.bind(1, message);
    return s.step() == SQLITE_ROW ? static_cast<ULONG>(s.integer(0)) : 0;
}

std::int64_t Database::recipientAt(ObjectId message, std::int64_t offset) {
    Stmt s(*this, Sql::RecipientAt);
    s.bind(1, message).bind(2, offset);
    return s.step() == SQLITE_ROW ? s.integer(0) : 0;
}

HRESULT Database::replaceRecipients(ObjectId message,
                                    const std::vector<std::vector<StoredProp>>& rows) {
    PackedRows packed;
    packed.assign(rows);
    return replaceRecipients(message, packed);
}

HRESULT Database::replaceRecipients(ObjectId message, const PackedRows& rows) {
    Transaction tx(*this);
    if (tx.status() != S_OK) {
        return tx.status();
    }
    if (!exists(message, ObjectKind::Message)) {
        return MAPI_E_NOT_FOUND;
    }
    {
        Stmt s(*this, Sql::RecipientsDeleteAll);
        s.bind(1, message);
        if (const HRESULT hr = s.run(); hr != S_OK) {
            return hr;
        }
    }
    // The cached insert is reused for every row, each blob bound where the packed rows hold it.
    std::int64_t seq = 0;
    if (const HRESULT hr = rows.forEach([&](std::string_view blob) {
            Stmt s(*this, Sql::RecipientInsert);
            s.bind(1, message).bind(2, ++seq).bindBlob(3, blob);
            return s.run();
        });
        hr != S_OK) {
        return hr;
    }
    return tx.commit();
}

HRESULT Database::insertMessage(ObjectId folder, ObjectId store, bool listed,
                                const PackedRows* recipients, ObjectId& id) {
    id = 0;
    Transaction tx(*this);
    if (tx.status() != S_OK) {
        return tx.status();
    }
    if (!exists(folder, ObjectKind::Folder)) {
        return MAPI_E_NOT_FOUND;
    }
    ObjectId made = 0;
    if (const HRESULT hr = insertObject(ObjectKind::Message, folder, store, listed, made);
        hr != S_OK) {
        return hr;
    }
    if (recipients != nullptr) {
        if (const HRESULT hr = replaceRecipients(made, *recipients); hr != S_OK) {
            return hr;
        }
    }
    if (const HRESULT hr = tx.commit(); hr != S_OK) {
        return hr;
    }
    id = made;
    return S_OK;
}

} // namespace mapi_impl
