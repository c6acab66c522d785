#include "forms/FormPositions.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

namespace {
QHash<QString, QPointer<QWidget>>& registry() {
    static QHash<QString, QPointer<QWidget>> r;
    return r;
}
QHash<QString, FormPosition>& lastRead() {
    static QHash<QString, FormPosition> r;
    return r;
}
} // namespace

void RegisterForm(QWidget* window) {
    if (window && !window->objectName().isEmpty())
        registry().insert(window->objectName(), window);
}

void ApplyFormPositions(const std::vector<FormPosition>& positions) {
    for (const FormPosition& p : positions) {
        lastRead().insert(p.name, p);
        QWidget* w = registry().value(p.name);
        if (!w)
            continue;
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
}

std::vector<FormPosition> CollectFormPositions() {
    std::vector<FormPosition> out;
    for (const QString& name : FormPositionNames()) {
        FormPosition p = lastRead().value(name, FormPosition{name});
        p.name = name;
        if (QWidget* w = registry().value(name)) {
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
