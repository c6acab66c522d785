// Text helpers shared by every layer.
//
// Letter case: every comparison without regard to case (CompareNoCase,
// ComparePrefixNoCase, ContainsText, name uniqueness and the SQL lower() that
// the store registers) folds through LowerText, so they agree with each other
// for every alphabet.  "At most n characters" never splits a surrogate pair.
#pragma once

#include <QChar>
#include <QString>

// Lower case for every alphabet, then case-folded (final sigma meets sigma);
// the one folding used for names.
QString LowerText(const QString& s);
// The first n characters, never splitting a surrogate pair (one fewer code unit
// when the cut would fall inside a pair).
QString LeftChars(const QString& s, int n);

void AppendItem(QString& list, const QString& item, const QString& separator);
QString Quote(const QString& text); // "\"" + text + "\" "
void RemoveChar(QString& text, QChar c);
void DropLast(QString& text, int n); // n past the length empties the text
QChar LastChar(const QString& text); // QChar(0) for empty text
// -1, 0, 1, comparing LowerText of both by code point.
int CompareNoCase(const QString& a, const QString& b);
// Compares the prefix with the beginning of the text without regard to case.
int ComparePrefixNoCase(const QString& text, const QString& prefix);
// True when needle occurs in text without regard to case; empty gives false.
bool ContainsText(const QString& needle, const QString& text);
// A lower-case first letter becomes upper case.
void CapitaliseFirst(QString& text);

// The process-wide key-normalising switch read by ContainsText, and the
// normalisation it applies to the searched text.
extern bool g_normaliseKeys;
QString NormaliseKey(const QString& text);

// Doubles the first "&" so a toolkit that reads "&" as a mnemonic shows it.
QString DoubleFirstAmpersand(const QString& text);
