// The regroup dialog: a move that would put a group inside itself is refused
// and the dialog stays open; a sound move is stored.
#include "forms/objects/TFRegrp.h"
#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "ledger/Objects.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

class TFRegrpTest : public QObject {
    Q_OBJECT

    TempFolder m_dir;
    ScriptedPrompter m_prompter;
    TFCore m_core{m_prompter};

    int add(const QString& name, int grpid) {
        ObjRec r;
        InitObjRec(r);
        r.Type = otExtGrp;
        r.Name = name;
        r.Grpid = grpid;
        r.CloseDate = IntToCal(kNotClosed);
        AddObj(m_core, r);
        return r.Id;
    }
    int parentOf(int id) {
        ObjRec r;
        ReadObj(m_core, id, r);
        return r.Grpid;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(OpenLedgerStore(m_core.store(), m_dir.path(), true));
        m_core.settings().Today = MakeDate(2024, 6, 15);
    }
    void cleanup() { CloseModals(); }

    void aGroupCannotGoBelowItself() {
        const int banks = add(QStringLiteral("Banks"), 0);
        const int uk = add(QStringLiteral("UK banks"), banks);
        const int other = add(QStringLiteral("Other"), 0);
        TFRegrp dlg(m_core);
        dlg.Start(otExtGrp);
        dlg.Add(banks, QStringLiteral("Banks"));
        dlg.GroupBox->setCurrentIndex(dlg.GroupBox->findData(uk));
        m_prompter.expectQuestion(QStringLiteral("Regroup these Accounts / Groups - are you sure ?"), 'Y');
        dlg.setResult(QDialog::Rejected);
        dlg.OKBtn->click();
        QCOMPARE(m_prompter.messages(),
                 QStringList{QStringLiteral("Cannot move group \"Banks\" into itself or one of its own sub-groups")});
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(parentOf(banks), 0);

        dlg.GroupBox->setCurrentIndex(dlg.GroupBox->findData(other));
        m_prompter.expectQuestion(QString(), 'Y');
        dlg.OKBtn->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(parentOf(banks), other);
        QCOMPARE(parentOf(uk), banks);
        QVERIFY(m_prompter.allAnswered());
    }
};

QTEST_MAIN(TFRegrpTest)
#include "TFRegrpTest.moc"
