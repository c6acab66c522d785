// The transaction display's texts; see TxnDisplay.h.
#include "ledger/TxnDisplay.h"

#include "base/Amount.h"
#include "base/Dates.h"
#include "data/Tables.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"

std::array<QString, 4> RowLabels(char type, const std::array<QString, 4>& previous) {
    const QString extFrom = QStringLiteral("External Account (FROM)");
    const QString extTo = QStringLiteral("External Account (TO)");
    const QString intFrom = QStringLiteral("Internal Account (FROM)");
    const QString intTo = QStringLiteral("Internal Account (TO)");
    const QString ctgy = QStringLiteral("Category ");
    switch (type) {
    case TxnType::Tfr:
        return {extFrom, extTo, intFrom, intTo};
    case TxnType::PotTfr:
        return {intFrom, intTo, QString(), QString()};
    case TxnType::CashPayt:
    case TxnType::CredPurch:
        return {extFrom, QStringLiteral("Counterparty (TO)"), ctgy, intFrom};
    case TxnType::CashRcpt:
    case TxnType::CredSale:
        return {extTo, QStringLiteral("Counterparty (FROM)"), ctgy, intTo};
    case TxnType::CashTfr:
        return {extFrom, extTo, QString(), QString()};
    default:
        return {previous[0], previous[1], QString(), previous[3]};
    }
}

QString RepeatRule(char freq, int rptinc) {
    QString unit;
    switch (freq) {
    case 'D':
        unit = QStringLiteral("day");
        break;
    case 'W':
        unit = QStringLiteral("week");
        break;
    case 'M':
        unit = QStringLiteral("month");
        break;
    case 'Y':
        unit = QStringLiteral("year");
        break;
    default:
        unit = QStringLiteral("?");
    }
    QString s = QStringLiteral("Every ");
    if (rptinc > 1)
        s += QString::number(rptinc) + QLatin1Char(' ');
    s += unit;
    if (rptinc > 1)
        s += QLatin1Char('s');
    return s;
}

TxnDisplay DescribeTxn(TFCore& core, const TxnRec& txn, const std::array<QString, 4>& previousLabels) {
    TxnDisplay d;
    const bool master = txn.Role == roleMaster;
    d.caption = master ? QStringLiteral("Repeater Master details") : QStringLiteral("Transaction details");
    d.idCaption = QStringLiteral("Txn id ");
    d.idText = QString::number(txn.Id);
    d.editEnabled = txn.Id != 0;
    d.repeatEnabled = txn.Id != 0 && txn.Role == roleOrdinary;
    if (txn.Masterid > 0) {
        d.idCaption = QStringLiteral("Txn / Instance id ");
        d.idText = QString::number(txn.Id) + QStringLiteral(" / ") + QString::number(txn.Masterid) + QLatin1Char('-') +
                   QString::number(txn.Instance);
        d.masterId = QString::number(txn.Masterid);
        d.instancesEnabled = true;
        d.generated = QString::number(txn.Rpt.Gento);
        if (txn.Rpt.Gento > 0)
            d.generated += QStringLiteral("  ") + CalToDateStrOrEmpty(InstanceDate(txn.Rpt, txn.Rpt.Gento));
        d.reminder = txn.Rpt.Rmdays == 0 ? QStringLiteral("none")
                                         : QString::number(txn.Rpt.Rmdays) + QStringLiteral(" days before");
    }

    d.typeName = TxnTypeName(txn.Type);
    d.txnDate = IsNullDate(txn.Txndate) ? QString() : CalToDateStrDay(txn.Txndate);
    if (!IsNullDate(txn.Date2) && !DateEqual(txn.Date2, txn.Txndate))
        d.pstgDate = CalToDateStr(txn.Date2);
    d.actualDate = CalToDateStrOrEmpty(txn.ActualDate);

    d.channel = txn.ChName + txn.Ref;
    d.narrative = txn.Narrative;
    d.amount = FormatAmount(txn.Amt);
    if (txn.Cancelled)
        d.amount += QStringLiteral("   cancelled");

    d.rowLabel = RowLabels(txn.Type, previousLabels);
    const bool tfr = txn.Type == TxnType::Tfr;
    d.rowId = {txn.Accid1, txn.Accid2, tfr ? txn.Accid3 : txn.Accid4, tfr ? txn.Accid4 : txn.Accid3};
    for (int i = 0; i < 4; ++i) {
        ObjRec obj;
        if (ReadObj(core, d.rowId[i], obj))
            d.rowName[i] = obj.Name;
    }

    d.repeatVisible = txn.Role != roleOrdinary;
    if (d.repeatVisible) {
        d.rptCaption = txn.Rpt.RptActive ? QStringLiteral("Repeat - Active ") : QStringLiteral("Repeat - Inactive ");
        d.rptRule = RepeatRule(txn.Rpt.Freq, txn.Rpt.Rptinc);
        d.rptFrom = CalToDateStrOrEmpty(txn.Rpt.StartDate);
        d.rptTo = CalToDateStrOrEmpty(txn.Rpt.EndDate);
        d.rptCount = QString::number(txn.Rpt.RptCt);
    }

    if (txn.CreateTS.isValid())
        d.created = QStringLiteral("Created ") + FormatDateTime(txn.CreateTS);
    if (txn.EditTS.isValid())
        d.created += QStringLiteral("  Edited ") + FormatDateTime(txn.EditTS);
    return d;
}
