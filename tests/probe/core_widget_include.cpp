// Compiled against the core library's include paths only.  It must fail to
// build: the core links Qt Core and SQLite, never Qt Widgets.
#include <QWidget>
int probe() { return sizeof(QWidget); }
