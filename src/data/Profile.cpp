// Profile files read and written key by key; see Profile.h.
#include "data/Profile.h"

#include "base/Prompter.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>
#include <optional>

namespace {

struct FileText {
    QStringList lines;
    bool crlf = false; // the file's own line ends, kept on rewrite
};

FileText readFileText(const QString& path) {
    FileText t;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return t;
    const QByteArray raw = f.readAll();
    t.crlf = raw.contains("\r\n");
    // Line by line: a line that is not UTF-8 (written by an editor in
    // another code page) is read as Latin-1, and spoils no other line.
    QList<QByteArray> rawLines = raw.split('\n');
    if (!rawLines.isEmpty() && rawLines.back().isEmpty())
        rawLines.removeLast(); // the newline that ends the last line
    for (const QByteArray& bytes : std::as_const(rawLines)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString line = utf8(bytes);
        if (utf8.hasError())
            line = QString::fromLatin1(bytes);
        line.remove(QLatin1Char('\r'));
        t.lines << line;
    }
    return t;
}

// The section name of a "[name]" line.
std::optional<QString> sectionOf(const QString& line) {
    const QString s = line.trimmed();
    if (!s.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = s.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return s.mid(1, close - 1).trimmed();
}

// The key and value of a "key=value" line; comments and other lines give none.
std::optional<std::pair<QString, QString>> keyOf(const QString& line) {
    const QString s = line.trimmed();
    if (s.isEmpty() || s.startsWith(QLatin1Char(';')) || s.startsWith(QLatin1Char('#')))
        return std::nullopt;
    const qsizetype eq = s.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return std::nullopt;
    return std::make_pair(s.left(eq).trimmed(), s.mid(eq + 1).trimmed());
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the first "[section]" line, or -1.
qsizetype findSection(const QStringList& lines, const QString& section) {
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (auto s = sectionOf(lines[i]); s && sameName(*s, section))
            return i;
    return -1;
}

std::optional<QString> findValue(const QString& path, const QString& section, const QString& key) {
    const QStringList lines = readFileText(path).lines;
    qsizetype i = findSection(lines, section);
    if (i < 0)
        return std::nullopt;
    for (++i; i < lines.size(); ++i) {
        if (sectionOf(lines[i]))
            break;
        if (auto kv = keyOf(lines[i]); kv && sameName(kv->first, key))
            return kv->second;
    }
    return std::nullopt;
}

// Sets one key in the text, keeping everything else.
void setKey(QStringList& lines, const QString& section, const QString& key, const QString& value) {
    qsizetype head = findSection(lines, section);
    if (head < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']');
        lines << key + QLatin1Char('=') + value;
        return;
    }
    qsizetype lastKey = head;
    for (qsizetype i = head + 1; i < lines.size(); ++i) {
        if (sectionOf(lines[i]))
            break;
        if (auto kv = keyOf(lines[i])) {
            if (sameName(kv->first, key)) {
                lines[i] = kv->first + QLatin1Char('=') + value;
                return;
            }
            lastKey = i;
        }
    }
    lines.insert(lastKey + 1, key + QLatin1Char('=') + value);
}

std::optional<int> parseInt(const QString& text) {
    const QString s = text.trimmed();
    bool ok = false;
    int v = 0;
    if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = int(s.mid(2).toUInt(&ok, 16));
    else
        v = s.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

} // namespace

int Profile::readInt(const QString& section, const QString& key, int def) const {
    const auto v = findValue(m_path, section, key);
    if (!v)
        return def;
    return parseInt(*v).value_or(def);
}

bool Profile::readBool(const QString& section, const QString& key, bool def) const {
    return readInt(section, key, def ? 1 : 0) != 0;
}

QString Profile::readString(const QString& section, const QString& key, const QString& def) const {
    const auto v = findValue(m_path, section, key);
    return v ? v->left(kMaxString) : def;
}

bool Profile::hasKey(const QString& section, const QString& key) const {
    return findValue(m_path, section, key).has_value();
}

bool Profile::writeInt(const QString& section, const QString& key, int value) {
    return writeSection(section, {{key, QString::number(value)}});
}

bool Profile::writeBool(const QString& section, const QString& key, bool value) {
    return writeSection(section, {{key, value ? QStringLiteral("1") : QStringLiteral("0")}});
}

bool Profile::writeString(const QString& section, const QString& key, const QString& value) {
    return writeSection(section, {{key, value}});
}

bool Profile::writeSection(const QString& section, const KeyValues& values) {
    if (!m_prompter)
        return false; // a profile for reading only
    FileText t = readFileText(m_path);
    for (const auto& [key, value] : values) {
        // A line break inside a value would start a line of its own.
        QString v = value;
        v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        setKey(t.lines, section, key, v);
    }
    const QString eol = t.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QByteArray out;
    for (const QString& line : std::as_const(t.lines))
        out += (line + eol).toUtf8();

    // Unbuffered: a buffered QSaveFile meets a failed write (a full disk) only
    // in its final flush, which commit() does not heed, and then renames an
    // empty or cut file over the old one.  Written through at once, the
    // failure shows in write() and the old file stays.
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || f.write(out) != out.size() ||
        f.error() != QFileDevice::NoError || !f.commit()) {
        f.cancelWriting();
        if (m_prompter)
            m_prompter->ShowMessage(QStringLiteral("Unable to write to %1").arg(m_path));
        return false;
    }
    return true;
}
