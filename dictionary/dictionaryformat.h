#pragma once

#include "dictionary/format.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// A kind of dictionary file: how its lines are recognised and what keys each
// line gives. The index builder and the look-ups ask a file's format through
// this, so each format's reading stays in one place. The type numbers are
// those m_dictionary gives the types; a dictionary registered without one
// is an Eijiro file.
class DictionaryFormat
{
public:
    enum Type { Eijiro = 1, Edict = 2 };

    // What one line gives the index.
    struct LineKeys
    {
        // The line's key in t_word (one row a line at most); null for none.
        QString wordKey;
        // Every key the line is found by, each once; the first line of each
        // goes to the list of entry words.
        QStringList keys;
        // The line comes first on its keys' pages (EDICT's (P) lines).
        bool common = false;
    };

    virtual ~DictionaryFormat() = default;
    virtual Type type() const = 0;
    // The type's name as m_dictionary and the user know it.
    virtual QString name() const = 0;
    // Whether each key's page lists every line with that key (t_key),
    // rather than a window of lines from the key's first line.
    virtual bool listsEveryLine() const = 0;
    // Reads a raw line; false for a line that is no entry line.
    virtual bool readKeys(QByteArrayView line, Eijiro::Decoder *decoder, LineKeys *out) = 0;
    // The spelling that the decoded `line` gives `key` (the entry word a
    // list shows); null when the line is no entry with that key.
    virtual QString spellingFor(const QString &line, const QString &key) const = 0;
    // The translation of the decoded `line`, the text whose words make keys
    // common, into `text` (empty for a line that is no entry); the keys the
    // line itself marks common into `commonKeys` (none when it marks none).
    virtual void readTranslation(const QString &line, QString *text, QStringList *commonKeys) = 0;
    // Whether the raw bytes of a line look like an entry line of this
    // format, without decoding: for telling a file's format by its lines.
    virtual bool looksLikeEntry(QByteArrayView line) const = 0;
    // The encoding of a file whose first chunk is `chunk`, when the bytes
    // decided neither for UTF-8 nor against it (`sniffed`).
    virtual Eijiro::Encoding encodingOf(QByteArrayView chunk, Eijiro::Encoding sniffed) const = 0;

    // A reader of `type` (Eijiro for any type unknown).
    static std::unique_ptr<DictionaryFormat> make(int type);
    // Every type, in m_dictionary's order.
    static QList<Type> types();
    static QString nameOf(int type);
    // The type named `name`, in any letter case ("eijiro", "EDICT"); 0 for none.
    static int typeNamed(const QString &name);
    // The type whose entries most lines of `start` (a file's first bytes,
    // or all of them when `whole`) look like; Eijiro when none do.
    static Type recognise(QByteArrayView start, bool whole);
};
