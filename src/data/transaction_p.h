#pragma once
// The state of an open transaction, kept by the data module (see data/transaction.h).

#include "data/table.h"

#include <vector>

namespace kv::detail {

struct TxnState {
    struct Member {
        Table *table;
        int savepoints; // savepoint levels open on this connection: levels 2 .. savepoints + 1
    };
    std::vector<Member> members; // in the order they joined
    int level = 0;               // 1 = only the outermost transaction is open

    Member *find(const Table &t)
    {
        for (Member &m : members)
            if (m.table == &t)
                return &m;
        return nullptr;
    }
};

// For tests of a killed commit: called during a commit over several files with 0 once the
// commit record is in place and with k after the k-th file has committed.
inline void (*commitStageHook)(int stage) = nullptr;

} // namespace kv::detail
