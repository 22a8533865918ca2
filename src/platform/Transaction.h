#pragma once

#include "platform/Database.h"

// Begins a transaction on construction and rolls it back on destruction unless commit() ran,
// so an exception midway leaves no row behind. Guards nest (savepoints, see Database).
class Transaction
{
public:
    explicit Transaction(Database &db) : m_db(db) { m_db.beginTransaction(); }
    ~Transaction()
    {
        if (m_committed)
            return;
        try {
            m_db.rollback();
        } catch (...) {
            // A destructor must not throw; a rollback that failed shows at the next begin.
        }
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit()
    {
        if (m_committed)
            throw DbError(QStringLiteral("The transaction is committed already."));
        m_db.commit();
        m_committed = true;
    }

private:
    Database &m_db;
    bool m_committed = false;
};
