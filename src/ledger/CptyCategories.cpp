// Counterparty categories; see CptyCategories.h.
#include "ledger/CptyCategories.h"

#include "base/Dates.h"
#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Store.h"

namespace {

QString DirectionText(char direction) {
    return QString(QChar::fromLatin1(direction));
}

} // namespace

CptyCategoryLists LoadCptyCategories(TFCore& core, int cptyId, char direction) {
    CptyCategoryLists lists;
    Query q(core.store(), QStringLiteral("SELECT c.Potid, c.Hidden, o.Name, lower(o.Name) AS uname, o.CloseDate"
                                         " FROM cptypot c LEFT JOIN obj o ON o.Id = c.Potid"
                                         " WHERE (c.Cptyid = :cptyid) AND (c.Purchsale = :sp)"
                                         " ORDER BY uname"));
    q.bind("cptyid", cptyId).bind("sp", DirectionText(direction));
    while (q.next()) {
        IdTextRow row{q.integer("Potid"), q.text("Name")};
        if (q.integer("CloseDate") < kNotClosed)
            lists.closed.push_back(row);
        else if (q.boolean("Hidden"))
            lists.hidden.push_back(row);
        else
            lists.preferred.push_back(row);
    }
    return lists;
}

bool SetCptyLinkHidden(TFCore& core, int cptyId, int categoryId, char direction, bool hidden) {
    Query q(core.store(), QStringLiteral("UPDATE cptypot SET Hidden = :h"
                                         " WHERE Cptyid = :cpty AND Potid = :pot AND Purchsale = :sp"));
    q.bind("h", hidden).bind("cpty", cptyId).bind("pot", categoryId).bind("sp", DirectionText(direction));
    return q.exec();
}

bool SetDefaultCategory(TFCore& core, int cptyId, int categoryId, char direction) {
    if (!core.prompter().AskYesNo(QStringLiteral("Set Category as default for this Counterparty - OK?")))
        return false;
    // Every other link of the pair that is not hidden yet, open or closed.
    Query q(core.store(), QStringLiteral("UPDATE cptypot SET Hidden = 1"
                                         " WHERE Cptyid = :cpty AND Purchsale = :sp AND Potid <> :pot"
                                         " AND COALESCE(Hidden, 0) = 0"));
    q.bind("cpty", cptyId).bind("sp", DirectionText(direction)).bind("pot", categoryId);
    return q.exec();
}

bool HideAllButLast(TFCore& core, int cptyId, char direction) {
    if (!core.prompter().AskYesNo(QStringLiteral("Hide all - OK ?")))
        return false;
    const CptyCategoryLists lists = LoadCptyCategories(core, cptyId, direction);
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    for (std::size_t i = 0; i + 1 < lists.preferred.size(); ++i)
        if (!SetCptyLinkHidden(core, cptyId, lists.preferred[i].id, direction, true))
            return false;
    return st.commit();
}
