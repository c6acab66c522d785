#include "forms/FormPositions.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

namespace {
// Both keyed by the name in lower case: the settings file's keys and the
// windows' names differ in case ("Fnotepad", "FNotepad").
QHash<QString, QPointer<QWidget>>& registry() {
    static QHash<QString, QPointer<QWidget>> r;
    return r;
}
QHash<QString, FormPosition>& lastRead() {
    static QHash<QString, FormPosition> r;
    return r;
}
QString keyOf(const QString& name) {
    return name.toLower();
}

void apply(QWidget* w, const FormPosition& p) {
    if (p.left < 0 && p.top < 0 && p.width < 0 && p.height < 0)
        return; // as designed (a dialog keeps its place beside its parent)
    QRect g = w->geometry();
    if (p.left >= 0)
        g.moveLeft(p.left);
    if (p.top >= 0)
        g.moveTop(p.top);
    if (p.width >= 0)
        g.setWidth(p.width);
    if (p.height >= 0)
        g.setHeight(p.height);
    w->setGeometry(g);
}
} // namespace

void RegisterForm(QWidget* window) {
    if (!window || window->objectName().isEmpty())
        return;
    const QString key = keyOf(window->objectName());
    registry().insert(key, window);
    // A window made after the positions were read takes its own at once.
    const auto it = lastRead().constFind(key);
    if (it != lastRead().cend())
        apply(window, it.value());
}

void ApplyFormPositions(const std::vector<FormPosition>& positions) {
    for (const FormPosition& p : positions) {
        const QString key = keyOf(p.name);
        lastRead().insert(key, p);
        if (QWidget* w = registry().value(key))
            apply(w, p);
    }
}

std::vector<FormPosition> CollectFormPositions() {
    std::vector<FormPosition> out;
    for (const QString& name : FormPositionNames()) {
        const QString key = keyOf(name);
        FormPosition p = lastRead().value(key, FormPosition{name});
        p.name = name;
        // A window never shown in this run keeps what was read (-1 when
        // nothing was): its geometry is only the designed one.
        QWidget* w = registry().value(key);
        if (w && w->testAttribute(Qt::WA_WState_Created)) {
            const QRect g = w->geometry();
            p.top = g.top();
            p.left = g.left();
            p.height = g.height();
            p.width = g.width();
        }
        out.push_back(p);
    }
    return out;
}
