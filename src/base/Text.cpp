// Text helpers: letter case for every alphabet, character-safe cuts, and the
// small list-and-text functions the screens share.
#include "base/Text.h"

#include <QVector>

bool g_normaliseKeys = false;

// Lower case, then Unicode case folding, so that letters with more than one
// lower form meet: Greek final sigma folds to sigma, as its capital does.
QString LowerText(const QString& s) { return s.toLower().toCaseFolded(); }

QString LeftChars(const QString& s, int n) {
    if (n <= 0)
        return {};
    if (n >= s.size())
        return s;
    // Never leave the high half of a surrogate pair at the end.
    if (s.at(n - 1).isHighSurrogate())
        --n;
    return s.left(n);
}

void AppendItem(QString& list, const QString& item, const QString& separator) {
    if (item.isEmpty())
        return;
    if (list.isEmpty())
        list = item;
    else
        list += separator + item;
}

QString Quote(const QString& text) { return QStringLiteral("\"") + text + QStringLiteral("\" "); }

void RemoveChar(QString& text, QChar c) { text.remove(c); }

void DropLast(QString& text, int n) {
    if (n <= 0)
        return;
    text.chop(qMin(n, int(text.size())));
}

QChar LastChar(const QString& text) { return text.isEmpty() ? QChar(0) : text.back(); }

namespace {
// Code-point comparison, which is the order SQLite's BINARY collation gives
// the UTF-8 text of lower() (UTF-16 code units would misplace characters
// beyond the Basic Multilingual Plane).
int compareUcs4(const QList<uint>& ua, const QList<uint>& ub) {
    const qsizetype n = qMin(ua.size(), ub.size());
    for (qsizetype i = 0; i < n; ++i)
        if (ua[i] != ub[i])
            return ua[i] < ub[i] ? -1 : 1;
    if (ua.size() == ub.size())
        return 0;
    return ua.size() < ub.size() ? -1 : 1;
}

int compareCodePoints(const QString& a, const QString& b) { return compareUcs4(a.toUcs4(), b.toUcs4()); }
} // namespace

int CompareNoCase(const QString& a, const QString& b) { return compareCodePoints(LowerText(a), LowerText(b)); }

int ComparePrefixNoCase(const QString& text, const QString& prefix) {
    // Counted in code points, so the beginning of the text is never cut inside
    // a surrogate pair.
    const QList<uint> t = LowerText(text).toUcs4(), p = LowerText(prefix).toUcs4();
    if (p.size() > t.size())
        return compareUcs4(t, p) < 0 ? -1 : 1;
    return compareUcs4(t.first(p.size()), p);
}

QString NormaliseKey(const QString& text) {
    // Keys are compared on their letters and digits alone: punctuation and
    // spaces are dropped.
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.isLetterOrNumber())
            out += c;
    return out;
}

bool ContainsText(const QString& needle, const QString& text) {
    if (needle.isEmpty() || text.isEmpty())
        return false;
    QString t = LowerText(text);
    if (g_normaliseKeys)
        t = NormaliseKey(t);
    return t.contains(LowerText(needle));
}

void CapitaliseFirst(QString& text) {
    if (!text.isEmpty() && text.at(0).isLower())
        text[0] = text.at(0).toUpper();
}

QString DoubleFirstAmpersand(const QString& text) {
    QString out = text;
    const qsizetype i = out.indexOf(QLatin1Char('&'));
    if (i >= 0)
        out.insert(i, QLatin1Char('&'));
    return out;
}
