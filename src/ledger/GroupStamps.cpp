#include "ledger/GroupStamps.h"

#include "base/Clock.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"

QDateTime NewListStamp() {
    return NewRunMarker();
}

namespace {

const QString kBelow = QStringLiteral("WITH RECURSIVE below(id) AS (SELECT Id FROM obj WHERE Grpid = :grpid "
                                      "UNION SELECT o.Id FROM obj o JOIN below b ON o.Grpid = b.id) ");

bool RunStamp(TFCore& core, const QString& sql, int group, int kind, const QDateTime& stamp) {
    StoreTransaction st(core.store());
    Query q(core.store(), sql);
    q.bind("grpid", group).bind("kind", kind).bind("groupkind", GroupKindOf(kind));
    if (stamp.isValid())
        q.bindDateTime("ts", stamp);
    return st.ok() && q.exec() && st.commit();
}

} // namespace

bool StampGroupMembers(TFCore& core, int group, int kind, const QDateTime& stamp) {
    return RunStamp(core,
                    QStringLiteral("UPDATE obj SET RprTs = :ts WHERE Grpid = :grpid AND "
                                   "(\"Type\" = :kind OR \"Type\" = :groupkind)"),
                    group, kind, stamp);
}

bool StampAllBelow(TFCore& core, int group, int kind, const QDateTime& stamp) {
    return RunStamp(core,
                    kBelow + QStringLiteral("UPDATE obj SET RprTs = :ts WHERE Id IN below AND "
                                            "(\"Type\" = :kind OR \"Type\" = :groupkind)"),
                    group, kind, stamp);
}

bool UnstampBelow(TFCore& core, int group, int kind, const QDateTime& stamp) {
    Q_UNUSED(stamp);
    return RunStamp(core,
                    kBelow + QStringLiteral("UPDATE obj SET RprTs = NULL WHERE Id IN below AND Id <> :grpid AND "
                                            "(\"Type\" = :kind OR \"Type\" = :groupkind)"),
                    group, kind, QDateTime());
}

QDateTime StampAnalysisMembers(TFCore& core, int group, int kind) {
    const QDateTime ts = NewListStamp();
    return StampGroupMembers(core, group, kind, ts) ? ts : QDateTime();
}
