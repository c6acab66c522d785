// Profile (INI) files: "[section]" lines, each followed by "key=value" lines.
//
// The settings file of a data folder is one of these.  It is read and written
// key by key, or a section's keys at once: every call opens the file, and no
// copy of it is kept between calls, so what another program (or the user with
// an editor) changed in between is never overwritten with stale text.
//
// Section and key names match without regard to letter case, as profile files
// always have; the file keeps the spelling in which a key was first written.
// A write changes only its own keys: other sections, other keys, comments and
// blank lines stay as they were, and a new key goes after the last key of its
// section, so keys keep the order in which they were first written.
//
// Every write builds the whole new text in a temporary file in the same folder
// and renames it over the old file, so a crash or a full disk leaves either
// the old file or the new one, never half of one.
#pragma once

#include <QString>
#include <utility>
#include <vector>

class Prompter;

class Profile {
public:
    // The longest string value a read gives; longer values are cut.
    static constexpr int kMaxString = 1023;

    // A profile for reading and writing: failed writes are reported through
    // the prompter.
    Profile(Prompter& prompter, const QString& path) : m_prompter(&prompter), m_path(path) {}
    // A profile for reading only: a write through it fails without a report.
    explicit Profile(const QString& path) : m_path(path) {}

    QString path() const { return m_path; }

    // An integer in decimal, or hexadecimal after "0x"; def when the key is
    // missing or its value is not an integer.
    int readInt(const QString& section, const QString& key, int def) const;
    // Any non-zero integer is true; def when missing or not an integer.
    bool readBool(const QString& section, const QString& key, bool def) const;
    // The value as it stands (at most kMaxString characters); def when missing.
    QString readString(const QString& section, const QString& key, const QString& def) const;
    // True when the key is present in the section.
    bool hasKey(const QString& section, const QString& key) const;

    // Writes one key: integers in decimal, booleans as "1" or "0", strings as
    // they stand.  A file or folder that cannot be written is reported as
    // "Unable to write to " + path and gives false; the old file is kept.
    bool writeInt(const QString& section, const QString& key, int value);
    bool writeBool(const QString& section, const QString& key, bool value);
    bool writeString(const QString& section, const QString& key, const QString& value);

    // Writes several keys of one section in one rewrite of the file (all of
    // them or, on failure, none), new keys in the order given.
    using KeyValues = std::vector<std::pair<QString, QString>>;
    bool writeSection(const QString& section, const KeyValues& values);

private:
    Prompter* m_prompter = nullptr;
    QString m_path;
};
